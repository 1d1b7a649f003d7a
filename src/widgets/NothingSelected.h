// What an action on a selection says when nothing is selected: one alert naming what to select,
// rather than a panel that leads nowhere or an action that ends without a word.
#pragma once

#include <QString>

class QWidget;

void tellWhatToSelect(QWidget* window, const QString& whatToSelect);
