// The question before a file is added to a device folder that already has an entry of its name.
#pragma once

#include "device/AddToDevice.h"

#include <QString>
#include <optional>

class QWidget;

// "Replace", "Keep Both" (the new file numbered) or "Cancel"; Cancel is the default, so Enter
// replaces nothing. Empty for Cancel.
std::optional<amd::NameTaken> askWhenNameTaken(QWidget* window, const QString& name);
