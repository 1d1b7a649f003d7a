// Local file names made from what a device says: a device name is outside data, so it becomes
// a local name only through these, and a path built from a device path stays inside its root
// whatever the device's names are ("..", "/", empty).
#pragma once

#include <QString>

namespace localnames {

// The longest name the common Linux file systems hold, in bytes of UTF-8.
constexpr int kLongestName = 255;

// A device name made safe as one local file name: no "/" or NUL, line breaks and other control
// characters made blanks (a name stays one line of a list or playlist), cut to room bytes on a
// character's boundary (a caller that adds to the name leaves room for it), never hidden: leading
// dots go ("../../x" is "_.._x", ".." is "_"), and an empty name is "_".
QString safeLocalName(const QString& name, int room = kLongestName);
// The local name of one exported device file: as a folder export names it (a leading dot is
// dropped, as localPathUnder does for every component), made safe.
QString exportedName(const QString& deviceName);
// root followed by the device path, each component made safe (after "/." became "/"), so that
// the result always lies inside root.
QString localPathUnder(const QString& root, const QString& devicePath);

}  // namespace localnames
