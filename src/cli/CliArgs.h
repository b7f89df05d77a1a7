#pragma once
// The command line of one warplet-cli command: positional arguments and
// options, each option taking a fixed number of values.

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A mistake on the command line or a request the project cannot satisfy;
// reported as it stands.
class CliError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that could not be written (reported with the cannot-write message).
class CliWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CliArgs {
public:
    // `arity` names every option the command accepts ("-o", "--key", ...) with
    // the number of values it takes. Throws CliError for anything else.
    CliArgs(const std::vector<std::string>& args, const std::map<std::string, int>& arity);

    const std::vector<std::string>& Positional() const { return m_positional; }
    // The one positional argument the command expects (CliError otherwise).
    const std::string& Single(const char* what) const;
    bool Has(const std::string& option) const { return m_values.count(option) != 0; }
    // The values of an option; CliError when it is missing.
    const std::vector<std::string>& Values(const std::string& option) const;
    const std::string& Value(const std::string& option) const { return Values(option).front(); }
    std::optional<std::string> Optional(const std::string& option) const;

private:
    std::vector<std::string> m_positional;
    std::map<std::string, std::vector<std::string>> m_values;
};

// Number parsing with messages naming the option.
int ParseInt(const std::string& text, const std::string& what);
int64_t ParseInt64(const std::string& text, const std::string& what);
std::vector<std::string> SplitWords(const std::string& text);
