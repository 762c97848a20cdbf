#include "TevalCtl.h"

#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "protocol/TevalCodes.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <optional>
#include <sstream>

namespace {

struct NamedParam {
    const char *name;
    std::uint16_t id;
};

constexpr NamedParam kParams[] = {
    {"frame-rate", teval::kParamFrameRate},
    {"quality", teval::kParamQuality},
    {"streaming", teval::kParamStreaming},
    {"flip", teval::kParamFlip},
    {"brightness", teval::kParamBrightness},
    {"effect", teval::kParamEffect},
    {"stream-status", teval::kParamStreamStatus},
    {"width", teval::kParamWidth},
    {"height", teval::kParamHeight},
    {"camera-status", teval::kParamCameraStatus},
    {"focus", teval::kParamAutoFocus},
    {"zoom-in", teval::kParamZoomIn},
    {"zoom-out", teval::kParamZoomOut},
};

// A number in decimal or with a 0x prefix, within [min, max].
std::optional<long long> Number(const std::string &text, long long min, long long max)
{
    if (text.empty()) {
        return std::nullopt;
    }
    char *end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (end == nullptr || *end != '\0' || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint16_t> ParamId(const std::string &text)
{
    for (const NamedParam &param : kParams) {
        if (text == param.name) {
            return param.id;
        }
    }
    if (const auto value = Number(text, 0, 0xFFFF)) {
        return static_cast<std::uint16_t>(*value);
    }
    return std::nullopt;
}

std::string Hex(long long value, int digits)
{
    std::ostringstream s;
    s << "0x" << std::hex << std::uppercase << std::setw(digits) << std::setfill('0') << value;
    return s.str();
}

constexpr const char *kNoCameraText = "is it plugged in, and does the udev rule give you access?";

// Largest file or thumbnail fetched.
constexpr std::uint32_t kMaxFetch = 64u << 20;

} // namespace

const char *TevalCtl::Usage()
{
    return "usage: tevalctl [--simulate] <command> [arguments]\n"
           "\n"
           "Talks to the document camera through the TevalCap device commands.\n"
           "\n"
           "commands:\n"
           "  status                    whether a camera answers, its status words\n"
           "  get <param>               read a camera parameter\n"
           "  set <param> <value>       write a camera parameter\n"
           "  list                      list the files stored in the camera with attributes\n"
           "  fetch <number> <file>     copy stored file <number> to <file>\n"
           "  thumbnail <number> <file> copy the thumbnail of stored file <number> to <file>\n"
           "  store <file> [name]       send <file> to the camera (stored as [name])\n"
           "  monitor <text>            send a monitor command (at most 63 characters)\n"
           "  path <path>               set the camera's current path\n"
           "\n"
           "<param> is a number (0x2008) or one of: frame-rate quality streaming flip\n"
           "brightness effect stream-status width height camera-status focus zoom-in zoom-out\n"
           "\n"
           "options:\n"
           "  --simulate   use the simulated camera (same as TEVALCAP_SIMULATE=1)\n"
           "  --help       show this text\n"
           "\n"
           "exit status: 0 done, 1 the camera is absent or refused, 2 usage error\n";
}

int TevalCtl::Fail(const std::string &what)
{
    m_err << "tevalctl: " << what << "\n";
    return kDeviceError;
}

int TevalCtl::UsageError(const std::string &what)
{
    m_err << "tevalctl: " << what << "\n"
          << "Try 'tevalctl --help'.\n";
    return kUsageError;
}

int TevalCtl::Run(const std::vector<std::string> &argsIn)
{
    std::vector<std::string> args;
    for (const std::string &arg : argsIn) {
        if (arg == "--help" || arg == "-h") {
            m_out << Usage();
            return kOk;
        }
        if (arg == "--simulate") {
            setenv("TEVALCAP_SIMULATE", "1", 1);
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return UsageError("unknown option '" + arg + "'");
        }
        args.push_back(arg);
    }
    if (args.empty()) {
        return UsageError("no command given");
    }
    const std::string command = args.front();
    args.erase(args.begin());
    int result = kUsageError;
    if (command == "status") {
        result = args.empty() ? Status() : UsageError("status takes no arguments");
    } else if (command == "get") {
        result = Get(args);
    } else if (command == "set") {
        result = Set(args);
    } else if (command == "list") {
        result = args.empty() ? List() : UsageError("list takes no arguments");
    } else if (command == "fetch" || command == "thumbnail") {
        result = Fetch(args, command == "thumbnail");
    } else if (command == "store") {
        result = Store(args);
    } else if (command == "monitor") {
        result = Monitor(args);
    } else if (command == "path") {
        result = Path(args);
    } else {
        result = UsageError("unknown command '" + command + "'");
    }
    Teval_CloseDevice();
    return result;
}

int TevalCtl::Status()
{
    if (Teval_OpenDevice() == 0) {
        // One sentence saying why, as the access point kept it.
        const OpenResult failure = LastOpenFailure();
        if (failure.Failed() && failure.reason != OpenFailure::NoDevice) {
            return Fail("the camera cannot be used: " + failure.text);
        }
        return Fail("no camera found: " +
                    (failure.Failed() ? failure.text : std::string(kNoCameraText)));
    }
    std::int32_t word = 0;
    std::int32_t stream = 0;
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    if (Teval_GetParamLong(teval::kParamCameraStatus, &word) == 0 ||
        Teval_GetParamLong(teval::kParamStreamStatus, &stream) == 0 ||
        Teval_QueryStatus(&first, &second) == 0) {
        return Fail("the camera did not answer the status requests");
    }
    const bool present =
        (static_cast<std::uint32_t>(word) & teval::kCameraPresentBits) == teval::kCameraPresentBits;
    m_out << "camera:        " << (present ? "present" : "not ready") << "\n"
          << "status word:   " << Hex(static_cast<std::uint32_t>(word), 8) << "\n"
          << "stream status: " << Hex(stream, 2)
          << (stream == teval::kStreamStatusStreaming ? " (streaming)" : "") << "\n"
          << "camera status: " << Hex(first, 4) << " " << Hex(second, 4) << "\n";
    return kOk;
}

int TevalCtl::Get(const std::vector<std::string> &args)
{
    if (args.size() != 1) {
        return UsageError("get needs one parameter");
    }
    const auto id = ParamId(args[0]);
    if (!id) {
        return UsageError("unknown parameter '" + args[0] + "'");
    }
    std::int32_t value = 0;
    if (Teval_GetParamLong(*id, &value) == 0) {
        return Fail("reading parameter " + Hex(*id, 4) + " failed");
    }
    m_out << value << " (" << Hex(static_cast<std::uint32_t>(value), 8) << ")\n";
    return kOk;
}

int TevalCtl::Set(const std::vector<std::string> &args)
{
    if (args.size() != 2) {
        return UsageError("set needs a parameter and a value");
    }
    const auto id = ParamId(args[0]);
    if (!id) {
        return UsageError("unknown parameter '" + args[0] + "'");
    }
    const auto value = Number(args[1], INT32_MIN, UINT32_MAX);
    if (!value) {
        return UsageError("'" + args[1] + "' is not a 32-bit number");
    }
    if (Teval_SetParamLong(*id, static_cast<std::int32_t>(static_cast<std::uint32_t>(*value))) ==
        0) {
        return Fail("writing parameter " + Hex(*id, 4) + " failed");
    }
    return kOk;
}

int TevalCtl::List()
{
    if (Teval_OpenDevice() == 0) {
        return Fail("no camera found");
    }
    int listed = 0;
    for (int number = 0; number < 256; ++number) {
        std::uint8_t record[teval::kFileAttributesRecord] = {};
        if (Teval_GetFileAttributes(static_cast<std::uint8_t>(number), record) == 0) {
            break;
        }
        std::ostringstream hex;
        std::string text;
        for (std::uint8_t byte : record) {
            hex << std::hex << std::setw(2) << std::setfill('0') << int(byte);
            text += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '.';
        }
        std::uint16_t dcf[4] = {};
        const bool haveDcf = Teval_GetDCFInfo(static_cast<std::uint16_t>(number), &dcf[0], &dcf[1],
                                              &dcf[2], &dcf[3]) != 0;
        m_out << std::setw(3) << number << "  " << hex.str() << "  " << text;
        if (haveDcf) {
            m_out << "  dcf " << dcf[0] << " " << dcf[1] << " " << dcf[2] << " " << dcf[3];
        }
        m_out << "\n";
        ++listed;
    }
    m_out << listed << " file(s)\n";
    return kOk;
}

int TevalCtl::Fetch(const std::vector<std::string> &args, bool thumbnail)
{
    if (args.size() != 2) {
        return UsageError(std::string(thumbnail ? "thumbnail" : "fetch") +
                          " needs a file number and an output file");
    }
    const auto number = Number(args[0], 0, 255);
    if (!number) {
        return UsageError("file number must be 0 to 255");
    }
    std::vector<std::uint8_t> buffer(kMaxFetch);
    std::uint32_t count = 0;
    const auto n = static_cast<std::uint8_t>(*number);
    const int ok = thumbnail ? Teval_XMTThumbnail(n, buffer.data(), kMaxFetch, &count)
                             : Teval_XMTFile(n, buffer.data(), kMaxFetch, &count);
    if (ok == 0) {
        return Fail("the camera did not send " + std::string(thumbnail ? "thumbnail " : "file ") +
                    args[0]);
    }
    std::ofstream file(args[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(buffer.data()), count);
    file.close();
    if (!file) {
        return Fail("cannot write '" + args[1] + "'");
    }
    m_out << count << " bytes written to " << args[1] << "\n";
    return kOk;
}

int TevalCtl::Store(const std::vector<std::string> &args)
{
    if (args.empty() || args.size() > 2) {
        return UsageError("store needs a file and optionally a name");
    }
    std::ifstream file(args[0], std::ios::binary);
    if (!file) {
        return UsageError("cannot read '" + args[0] + "'");
    }
    const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
    if (data.size() > 0x7FFFFFFFu) {
        return UsageError("'" + args[0] + "' is too large");
    }
    if (args.size() == 2 && Teval_SetFileName(args[1].c_str()) == 0) {
        return Fail("the camera refused the file name");
    }
    if (Teval_RCVFile(data.data(), static_cast<std::uint32_t>(data.size())) == 0) {
        return Fail("the camera did not take the file");
    }
    m_out << data.size() << " bytes sent\n";
    return kOk;
}

int TevalCtl::Monitor(const std::vector<std::string> &args)
{
    if (args.size() != 1) {
        return UsageError("monitor needs one text (quote it)");
    }
    if (args[0].size() > 63) {
        m_err << "tevalctl: note: the text is cut to 63 characters\n";
    }
    return Teval_MonitorCmd(args[0].c_str()) != 0 ? kOk : Fail("the monitor command failed");
}

int TevalCtl::Path(const std::vector<std::string> &args)
{
    if (args.size() != 1) {
        return UsageError("path needs one path");
    }
    if (args[0].size() > 255) {
        return UsageError("the path is longer than 255 characters");
    }
    return Teval_SetCurrentPath(args[0].c_str()) != 0 ? kOk : Fail("setting the path failed");
}
