#include "AttributeLayout.h"

#include "CHWMANNetwork.h"

namespace hwman {

AttributeLayout AttributeLayoutFor(const std::string& type) {
    if (type == kSocket) return {"Socket Communication Path Attributes", true, false, false, kAttributesShorterBy};
    if (type == kSerialPort) return {"Serial Port Communication Path Attributes", false, true, false, 0};
    return {"Shared Disk Communication Path Attributes", false, false, true, kAttributesShorterBy};
}

}  // namespace hwman
