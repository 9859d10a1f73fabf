#include "Win32Message.h"

namespace hvadmin {

const char* Win32MessageText(int error) {
    switch (error) {
        case 2: return "The system cannot find the file specified.";
        case 3: return "The system cannot find the path specified.";
        case 4: return "The system cannot open the file.";
        case 5: return "Access is denied.";
        case 6: return "The handle is invalid.";
        case 8: return "Not enough storage is available to process this command.";
        case 21: return "The device is not ready.";
        case 31: return "A device attached to the system is not functioning.";
        case 32: return "The process cannot access the file because it is being used by another process.";
        case 50: return "The request is not supported.";
        case 87: return "The parameter is incorrect.";
        case 112: return "There is not enough space on the disk.";
        case 1117: return "The request could not be performed because of an I/O device error.";
        default: return "Unknown error.";
    }
}

}  // namespace hvadmin
