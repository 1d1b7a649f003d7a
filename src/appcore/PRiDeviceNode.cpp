#include "appcore/PRiDeviceNode.h"

std::string PRiDeviceNode::description() const {
    return "<PRiDeviceNode " + deviceName_.toStdString() + " " + udidNumber_.toStdString() + ">";
}
