// The folder an export goes into when the user names it in a save panel: made new at the
// chosen path by the distinct-name rule ("Trip (2)" beside an earlier "Trip"), so that a second
// export under one name never mixes into the first and a file of that name is never in the way.
#pragma once

#include <QString>

class QWidget;

// The folder made for chosen; empty, after one alert over window saying why, when none could be
// made.
QString makeNewExportFolder(QWidget* window, const QString& chosen);
