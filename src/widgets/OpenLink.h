// A web page opened from a link or a button. Where no browser can be started, the user is told
// so with the address, which the alert lets them copy, rather than the click doing nothing.
#pragma once

#include <QString>

class QWidget;

// Opens url; where it cannot be opened, an alert over window says so and offers to copy it.
void openLink(QWidget* window, const QString& url);
