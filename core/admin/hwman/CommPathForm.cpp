#include "CommPathForm.h"

#include "NameCheck.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace hwman {

namespace {

constexpr std::size_t kMaxFieldText = 80;
constexpr std::size_t kMaxSerialText = 255;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Between(const char* low, const char* high, const char* what) {
    return std::string("-Please enter an integer between ") + low + " and " + high + " for " + what + ".\n";
}

}  // namespace

CommPathForm::CommPathForm(const CHWMANSystem& local, PathResources& resources, const FigureServices& services)
    : local_(local), resources_(resources), services_(services) {}

std::string CommPathForm::CodeOf(const std::string& typeText) {
    if (typeText == kSerialPort) return kCodeSerial;
    if (typeText == kSharedDisk) return kCodeDisk;
    return kCodeSocket;
}

bool CommPathForm::ReadUnsigned(const std::string& text, unsigned* out) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::size_t j = text.size();
    while (j > i && text[j - 1] == ' ') --j;
    if (i == j || j - i > 10) return false;
    unsigned long long v = 0;
    for (std::size_t k = i; k < j; ++k) {
        if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
        v = v * 10 + static_cast<unsigned>(text[k] - '0');
    }
    if (v > UINT_MAX) return false;
    *out = static_cast<unsigned>(v);
    return true;
}

int CommPathForm::ProposePriority() const {
    int p = code_ == kCodeSerial ? 69 : code_ == kCodeDisk ? 39 : 99;
    const auto used = [this](int v) {
        return std::any_of(local_.Paths().begin(), local_.Paths().end(),
                           [v](const auto& path) { return path->priority == v; });
    };
    while (p > 5 && used(p)) p -= 5;
    return p;
}

int CommPathForm::ProposePort() const {
    for (int port = 1500; port <= 10000; port += 10) {
        const std::string text = std::to_string(port);
        const bool used = std::any_of(local_.Paths().begin(), local_.Paths().end(), [&](const auto& p) {
            return p->IsSocket() && p->device == text;
        });
        if (!used) return port;
    }
    return 1500;
}

bool CommPathForm::UsedBySerialPath(const std::string& port) const {
    return std::any_of(local_.Paths().begin(), local_.Paths().end(),
                       [&](const auto& p) { return p->Type() == kSerialPort && p->device == port; });
}

bool CommPathForm::UsedByDiskPath(const std::string& volume) const {
    return std::any_of(local_.Paths().begin(), local_.Paths().end(),
                       [&](const auto& p) { return p->Type() == kSharedDisk && p->device == volume; });
}

void CommPathForm::Open() {
    code_ = kCodeSocket;
    typeText_ = kSocket;
    priority_ = ProposePriority();
    destinations_.clear();
    for (const CHWMANSystem* c : local_.Connected()) destinations_.push_back(c->Name());
    port_ = ProposePort();
    serialPorts_.clear();
    for (const std::string& p : resources_.SerialPorts())
        if (!UsedBySerialPath(p)) serialPorts_.push_back(p);
    volumes_ = resources_.Volumes();
    volumeIndex_ = volumes_.empty() ? -1 : 0;
    for (std::size_t i = 0; i < volumes_.size(); ++i)
        if (volumes_[i].fileSystem.empty() && !UsedByDiskPath(volumes_[i].name)) {
            volumeIndex_ = static_cast<int>(i);
            break;
        }
    bauds_ = serialPorts_.empty() ? std::vector<int>{} : resources_.BaudRates(serialPorts_.front());
    services_.Paint(std::string("Creating ") + kSocket + " Comm Path");
}

bool CommPathForm::ChooseType(const std::string& typeText) {
    if (typeText == kSerialPort && serialPorts_.empty()) {
        services_.Say("No Serial Port available for configuring\nSerial port(TTY) CommPath.");
        return false;
    }
    if (typeText == kSharedDisk && volumes_.empty()) {
        services_.Say("No Volume available for configuring\nShared Disk(SCSI) CommPath.");
        return false;
    }
    if (typeText != kSerialPort && typeText != kSharedDisk && typeText != kSocket) return false;
    typeText_ = typeText;
    code_ = CodeOf(typeText);
    services_.Paint("Creating " + typeText_ + " Comm Path");
    priority_ = ProposePriority();
    return true;
}

void CommPathForm::ChooseSerialPort(const std::string& port) { bauds_ = resources_.BaudRates(port); }

bool CommPathForm::Accept(const PathFields& fields, PathField* focus) {
    std::string errors = "Following Fields of Communication Create Dailog Box have inavlid value.\n\n";
    *focus = PathField::None;
    const auto fail = [&](PathField field, const std::string& line) {
        services_.Beep();
        errors += line;
        if (*focus == PathField::None) *focus = field;
    };

    const std::string destination = fields.destination.substr(0, kMaxFieldText);
    if (destination.empty()) {
        fail(PathField::Destination, "-Select/Enter a Destination System.\n");
    } else if (destination.size() > kMaxDestination || panelaid::IsValidName(destination.c_str()) == 0) {
        fail(PathField::Destination, "-Enter a valid destination system name.\n");
    } else if (Upper(destination) == Upper(local_.Name())) {
        // Names are stored upper-cased: in any case this is the local system.
        fail(PathField::Destination, "-Enter a proper destination system name.\n");
    } else {
        destination_ = Upper(destination);
    }

    unsigned priority = 0;
    if (!ReadUnsigned(fields.priority, &priority) || priority < 1 || priority > 99) {
        fail(PathField::Priority, Between("1", "99", "Priority"));
    } else if (std::any_of(local_.Paths().begin(), local_.Paths().end(), [&](const auto& p) {
                   return p->DestinationName() == Upper(destination) && p->priority == static_cast<int>(priority);
               })) {
        fail(PathField::Priority, "-Duplicate priority.\n");
    }
    unsigned interval = 0;
    if (!ReadUnsigned(fields.interval, &interval) || interval < 4 || interval > 15)
        fail(PathField::Interval, Between("4", "15", "Heartbeat Interval"));
    unsigned misses = 0;
    if (!ReadUnsigned(fields.misses, &misses) || misses < 3 || misses > 99)
        fail(PathField::Misses, Between("3", "99", "Maximum Heartbeat Misses"));

    unsigned port = 0;
    unsigned baud = 0;
    std::string fileSystem;
    if (code_ == kCodeSocket) {
        if (!ReadUnsigned(fields.port, &port) || port < 1500 || port > 10000) {
            fail(PathField::Port, Between("1500", "10000", "TCP/IP Port#"));
        } else if (std::any_of(local_.Paths().begin(), local_.Paths().end(), [&](const auto& p) {
                       return p->IsSocket() && p->device == std::to_string(port);
                   })) {
            fail(PathField::Port, "-Duplicate TCP/IP Port#");
        }
    } else if (code_ == kCodeSerial) {
        if (fields.serialPort.empty() || fields.serialPort.size() > kMaxSerialText ||
            UsedBySerialPath(fields.serialPort) || !resources_.SerialUsable(fields.serialPort))
            fail(PathField::SerialPort, "-Check SerialPort.\n");
        else if (!ReadUnsigned(fields.baud, &baud) ||
                 std::find(std::begin(kDialogRates), std::end(kDialogRates), static_cast<int>(baud)) ==
                     std::end(kDialogRates))
            fail(PathField::Baud, "-Check SerialPort.\n");
    } else if (fields.volume.empty() || !resources_.VolumeUsable(fields.volume, &fileSystem)) {
        fail(PathField::Volume, "-Cannot Use This Drive for Shared Disk Commpath;\n");
    }

    if (*focus != PathField::None) {
        services_.Say(errors, panelaid::BoxIcon::Error);
        return false;
    }
    if (code_ == kCodeDisk && !fileSystem.empty() &&
        !services_.YesNo("Drive you have Selected, for Shared Disk comm path,\nis a valid " + fileSystem +
                         " file system.\nSelecting this Drive (" + fields.volume +
                         ") will destory data on the drive.\n\nAre you sure you want to continue???\n"))
        return false;

    result_ = NewPath{};
    result_.type = typeText_;
    result_.device = code_ == kCodeSocket   ? "TCPIP:" + std::to_string(port)
                     : code_ == kCodeSerial ? fields.serialPort
                                            : fields.volume;
    result_.baud = code_ == kCodeSerial ? static_cast<int>(baud) : 0;
    result_.priority = static_cast<int>(priority);
    result_.interval = static_cast<int>(interval);
    result_.misses = static_cast<int>(misses);
    services_.Paint(kReady);
    return true;
}

void CommPathForm::Cancel() { services_.Paint(kReady); }

}  // namespace hwman
