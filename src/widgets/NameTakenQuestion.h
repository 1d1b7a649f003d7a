// The question before a file is added to a device folder that already has an entry of its name.
#pragma once

#include "device/AddToDevice.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QWidget;

// "Replace", "Keep Both" (the new file numbered) or "Cancel"; Cancel is the default, so Enter
// replaces nothing. Empty for Cancel.
std::optional<amd::NameTaken> askWhenNameTaken(QWidget* window, const QString& name);

// Each chosen file with what to do where its name is taken: asked (above) for every file that
// isTaken says the device folder already has, Refuse for the others; a file answered Cancel is
// left out.
std::vector<std::pair<QString, amd::NameTaken>> askForTakenNames(QWidget* window, const QStringList& files,
                                                                 const std::function<bool(const QString&)>& isTaken);
