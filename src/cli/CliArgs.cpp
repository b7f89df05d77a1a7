#include "cli/CliArgs.h"

#include <charconv>
#include <sstream>

CliArgs::CliArgs(const std::vector<std::string>& args, const std::map<std::string, int>& arity,
                 const std::set<std::string>& repeatable)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9')) {
            m_positional.push_back(arg);
            continue;
        }
        const auto it = arity.find(arg);
        if (it == arity.end())
            throw CliError("unknown option " + arg);
        if (m_values.count(arg) && !repeatable.count(arg))
            throw CliError("option " + arg + " given twice");
        std::vector<std::string>& values = m_values[arg];
        for (int k = 0; k < it->second; ++k) {
            if (++i >= args.size())
                throw CliError("option " + arg + " needs " + std::to_string(it->second) + " value(s)");
            values.push_back(args[i]);
        }
    }
}

namespace {

std::map<std::string, int> ArityOf(const std::vector<CliOption>& options)
{
    std::map<std::string, int> arity;
    for (const CliOption& option : options)
        arity[std::string(option.name)] = option.Arity();
    return arity;
}

std::set<std::string> RepeatableOf(const std::vector<CliOption>& options)
{
    std::set<std::string> names;
    for (const CliOption& option : options) {
        if (option.repeatable)
            names.insert(std::string(option.name));
    }
    return names;
}

}  // namespace

int CliOption::Arity() const
{
    // Each word is a value; a quoted placeholder ("x,y ...") is one value holding a list.
    int count = 0;
    bool inWord = false, quoted = false;
    for (const char c : values) {
        if (c == '"')
            quoted = !quoted;
        if (c == ' ' && !quoted) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++count;
        }
    }
    return count;
}

CliArgs::CliArgs(const std::vector<std::string>& args, const std::vector<CliOption>& options)
        : CliArgs(args, ArityOf(options), RepeatableOf(options))
{
    for (const CliOption& option : options) {
        if (option.range)
            m_ranges[std::string(option.name)] = *option.range;
        if (option.required && !Has(std::string(option.name)))
            throw CliError("missing option " + std::string(option.name));
    }
}

int64_t CliArgs::Number(const std::string& option, int64_t fallback, size_t index) const
{
    if (!Has(option))
        return fallback;
    const std::vector<std::string>& values = Values(option);
    if (index >= values.size())
        throw std::logic_error("CliArgs::Number: " + option + " has no value " + std::to_string(index));
    return Checked(option, values[index]);
}

int64_t CliArgs::Checked(const std::string& option, const std::string& text) const
{
    const auto range = m_ranges.find(option);
    const auto outside = [&] {
        return CliError(option + ": " + text + " is outside " + std::to_string(range->second.min) + " to " +
                        std::to_string(range->second.max));
    };
    // Digits too many for any whole number are outside the range as well.
    if (range != m_ranges.end() && TooLargeInteger(text))
        throw outside();
    const int64_t value = ParseInt64(text, option);
    if (range != m_ranges.end() && (value < range->second.min || value > range->second.max))
        throw outside();
    return value;
}

const std::string& CliArgs::Single(const char* what) const
{
    if (m_positional.size() != 1)
        throw CliError(std::string("expected one ") + what);
    return m_positional.front();
}

const std::vector<std::string>& CliArgs::Values(const std::string& option) const
{
    const auto it = m_values.find(option);
    if (it == m_values.end())
        throw CliError("missing option " + option);
    return it->second;
}

std::optional<std::string> CliArgs::Optional(const std::string& option) const
{
    const auto it = m_values.find(option);
    if (it == m_values.end() || it->second.empty())
        return std::nullopt;
    return it->second.front();
}

bool TooLargeInteger(const std::string& text)
{
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc::result_out_of_range && ptr == end;
}

namespace {

CliError OutOfRange(const std::string& what, const std::string& text, int64_t min, int64_t max)
{
    return CliError(what + ": " + text + " is out of range (" + std::to_string(min) + " to " + std::to_string(max) +
                    ")");
}

}  // namespace

int64_t ParseInt64(const std::string& text, const std::string& what)
{
    if (TooLargeInteger(text))
        throw OutOfRange(what, text, INT64_MIN, INT64_MAX);
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        throw CliError(what + ": \"" + text + "\" is not a whole number");
    return value;
}

int ParseInt(const std::string& text, const std::string& what)
{
    if (TooLargeInteger(text))
        throw OutOfRange(what, text, INT32_MIN, INT32_MAX);
    const int64_t value = ParseInt64(text, what);
    if (value < INT32_MIN || value > INT32_MAX)
        throw OutOfRange(what, text, INT32_MIN, INT32_MAX);
    return int(value);
}

std::vector<std::string> SplitWords(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}
