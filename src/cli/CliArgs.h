#pragma once
// The command line of one warplet-cli command: positional arguments and
// options, each option taking a fixed number of values.

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
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

// A file that could not be read or written: the message of `messageId`, the
// file and the cause in the user's language (export/FailureText.h).
class CliFileFailure : public std::runtime_error {
public:
    CliFileFailure(int messageId, std::string path, QString cause)
            : std::runtime_error(path), m_nMessageId(messageId), m_path(std::move(path)), m_cause(std::move(cause))
    {}
    int MessageId() const { return m_nMessageId; }
    const std::string& Path() const { return m_path; }
    const QString& Cause() const { return m_cause; }

private:
    int m_nMessageId;
    std::string m_path;
    QString m_cause;
};

// The whole numbers an option accepts.
struct CliRange {
    int64_t min = 0;
    int64_t max = 0;
};

// One option of a command, as its help lists it.
struct CliOption {
    std::string_view name;          // "--speed"
    std::string_view values;        // "S", "K D"; empty for a switch
    std::string_view text;          // what it does
    std::optional<CliRange> range;  // of every number it takes, or of the last one (--duration K D)
    std::string_view defaultText;   // "30"; empty when it has none to show
    bool required = false;
    bool repeatable = false;  // may be given several times; Values holds every value in order

    // The number of words that follow the option.
    int Arity() const;
};

class CliArgs {
public:
    // `arity` names every option the command accepts ("-o", "--key", ...) with
    // the number of values it takes. Throws CliError for anything else.
    CliArgs(const std::vector<std::string>& args, const std::map<std::string, int>& arity,
            const std::set<std::string>& repeatable = {});
    // The same for the options of a command's table; ranges are checked by Number.
    CliArgs(const std::vector<std::string>& args, const std::vector<CliOption>& options);

    const std::vector<std::string>& Positional() const { return m_positional; }
    // The one positional argument the command expects (CliError otherwise).
    const std::string& Single(const char* what) const;
    bool Has(const std::string& option) const { return m_values.count(option) != 0; }
    // The values of an option; CliError when it is missing.
    const std::vector<std::string>& Values(const std::string& option) const;
    const std::string& Value(const std::string& option) const { return Values(option).front(); }
    std::optional<std::string> Optional(const std::string& option) const;

    // Value `index` of a whole-number option, checked against the option's range;
    // `fallback` when the option is not given.
    int64_t Number(const std::string& option, int64_t fallback, size_t index = 0) const;
    // A number given with the option in some other form (a list), checked the same way.
    int64_t Checked(const std::string& option, const std::string& text) const;

private:
    std::vector<std::string> m_positional;
    std::map<std::string, std::vector<std::string>> m_values;
    std::map<std::string, CliRange> m_ranges;
};

// Number parsing with messages naming the option.
int ParseInt(const std::string& text, const std::string& what);
// Whether `text` is all digits (with a sign) but too many for a 64-bit number.
bool TooLargeInteger(const std::string& text);
int64_t ParseInt64(const std::string& text, const std::string& what);
std::vector<std::string> SplitWords(const std::string& text);
