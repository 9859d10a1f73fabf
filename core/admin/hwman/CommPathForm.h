// The communication-path dialog's logic: the proposals it opens with (a free
// priority and TCP/IP port, usable serial ports and volumes, the rates of
// the chosen port), the type switch with its refusals, and the validation
// of OK with the system's texts. The Qt dialog shows the fields and passes
// the typed texts back.
#pragma once

#include "CHWMANSystem.h"
#include "PathResources.h"

#include <string>
#include <vector>

namespace hwman {

// The fields as typed.
struct PathFields {
    std::string destination;
    std::string priority;
    std::string interval;
    std::string misses;
    std::string port;
    std::string serialPort;
    std::string baud;
    std::string volume;
};

enum class PathField { None, Destination, Priority, Interval, Misses, Port, SerialPort, Baud, Volume };

inline constexpr const char* kCodeSocket = "TCPIP";
inline constexpr const char* kCodeSerial = "TTY";
inline constexpr const char* kCodeDisk = "SCSI";
inline constexpr std::size_t kMaxDestination = 15;

class CommPathForm {
public:
    CommPathForm(const CHWMANSystem& local, PathResources& resources, const FigureServices& services);

    // Fills the proposals and lists; the type is "Socket".
    void Open();
    // "Socket", "Serial Port" or "Shared Disk": false (after the box) when
    // no port or volume is there; the type then stays as it was.
    bool ChooseType(const std::string& typeText);
    // Refills the rates for the port chosen.
    void ChooseSerialPort(const std::string& port);
    // OK: true when every field is valid (the result is then ready); false
    // after the box, with the first bad field in *focus.
    bool Accept(const PathFields& fields, PathField* focus);
    void Cancel();

    const std::string& LocalName() const { return local_.Name(); }
    const std::string& TypeCode() const { return code_; }
    const std::string& TypeText() const { return typeText_; }
    int ProposedPriority() const { return priority_; }
    int ProposedPort() const { return port_; }
    int ProposedInterval() const { return 6; }
    int ProposedMisses() const { return 5; }
    const std::vector<std::string>& Destinations() const { return destinations_; }
    const std::vector<std::string>& SerialPorts() const { return serialPorts_; }
    const std::vector<int>& BaudRates() const { return bauds_; }
    int ChosenBaudIndex() const { return bauds_.size() > 5 ? 5 : bauds_.empty() ? -1 : 0; }
    const std::vector<VolumeInfo>& Volumes() const { return volumes_; }
    int ChosenVolumeIndex() const { return volumeIndex_; }

    // After Accept: the destination (upper-cased) and the path.
    const std::string& Destination() const { return destination_; }
    const NewPath& Result() const { return result_; }

    // A whole unsigned decimal number (blanks around it allowed).
    static bool ReadUnsigned(const std::string& text, unsigned* out);
    static std::string CodeOf(const std::string& typeText);

private:
    int ProposePriority() const;
    int ProposePort() const;
    bool UsedBySerialPath(const std::string& port) const;
    bool UsedByDiskPath(const std::string& volume) const;

    const CHWMANSystem& local_;
    PathResources& resources_;
    const FigureServices& services_;
    std::string code_ = kCodeSocket;
    std::string typeText_ = kSocket;
    int priority_ = 99;
    int port_ = 1500;
    std::vector<std::string> destinations_;
    std::vector<std::string> serialPorts_;
    std::vector<int> bauds_;
    std::vector<VolumeInfo> volumes_;
    int volumeIndex_ = -1;
    std::string destination_;
    NewPath result_;
};

}  // namespace hwman
