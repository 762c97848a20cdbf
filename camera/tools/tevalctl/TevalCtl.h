#pragma once

#include <ostream>
#include <string>
#include <vector>

// The command-line tool over the library's exported device commands: parses the arguments,
// runs one command and reports on out (results) and err (problems). Returns the exit status:
// 0 success, 1 the camera refused or is absent, 2 a usage error.
class TevalCtl {
public:
    static constexpr int kOk = 0;
    static constexpr int kDeviceError = 1;
    static constexpr int kUsageError = 2;

    TevalCtl(std::ostream &out, std::ostream &err) : m_out(out), m_err(err) {}

    int Run(const std::vector<std::string> &args);

    static const char *Usage();

private:
    int Status();
    int Get(const std::vector<std::string> &args);
    int Set(const std::vector<std::string> &args);
    int List();
    int Fetch(const std::vector<std::string> &args, bool thumbnail);
    int Store(const std::vector<std::string> &args);
    int Monitor(const std::vector<std::string> &args);
    int Path(const std::vector<std::string> &args);
    int Fail(const std::string &what);
    int UsageError(const std::string &what);

    std::ostream &m_out;
    std::ostream &m_err;
};
