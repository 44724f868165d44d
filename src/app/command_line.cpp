#include "app/command_line.h"

#include <array>
#include <climits>
#include <cstddef>

#include "common/refusal.h"

namespace {

// A field cut out of the command line fills a 20-byte buffer: at most 19 characters.
constexpr std::size_t kFieldLimit = 19;

enum class Fields { kNone, kTwoNumbers, kFiveNumbers, kText, kNumberAndLastWord };

struct SwitchRow {
    std::string_view text;
    int operation;
    Fields fields;
};

// Searched for in this order; the first text found anywhere in the command line wins. The
// trailing blanks belong to the texts. "-func1" comes last because it is a prefix of the
// two-digit switches.
constexpr std::array<SwitchRow, 15> kSwitches = {{
    {"-func0", 0, Fields::kNone},
    {"-func2", 2, Fields::kNone},
    {"-func3", 3, Fields::kNone},
    {"-func5", 5, Fields::kNone},
    {"-func6", 6, Fields::kNone},
    {"-func7", 7, Fields::kNone},
    {"-func8", 8, Fields::kNone},
    {"-func9 ", 9, Fields::kTwoNumbers},
    {"-func10 ", 10, Fields::kFiveNumbers},
    {"-func11 ", 11, Fields::kText},
    {"-func12 ", 12, Fields::kText},
    {"-func13", 13, Fields::kNumberAndLastWord},
    {"-func14 ", 14, Fields::kText},
    {"-func15 ", 15, Fields::kText},
    {"-func1", 1, Fields::kNone},
}};

// Reads the fields of one switch at fixed positions from the start of the command line.
class FieldReader {
  public:
    FieldReader(std::string_view line, std::string_view switchText)
        : line_(line), switch_(switchText) {}

    struct Number {
        int value = 0;
        bool empty = true;
        std::size_t end = 0;  // position of the character that ended the digits
    };

    // The digits from pos on; the value of an empty run is 0.
    Number ReadNumber(std::size_t pos) const {
        Number number;
        std::size_t end = pos;
        while (end < line_.size() && line_[end] >= '0' && line_[end] <= '9') ++end;
        const std::size_t count = end - pos;
        if (count > kFieldLimit) {
            Refuse("a number of " + std::to_string(count) + " digits at position " +
                   std::to_string(pos) + " (at most 19)");
        }
        long long value = 0;
        for (std::size_t i = pos; i < end; ++i) {
            value = value * 10 + (line_[i] - '0');
            if (value > INT_MAX) {
                Refuse("the number at position " + std::to_string(pos) + " is too large");
            }
        }
        number.value = static_cast<int>(value);
        number.empty = count == 0;
        number.end = end;
        return number;
    }

    // A number that must be followed by a separator; returns where the next field begins.
    std::size_t RequireSeparatorAfter(const Number& number, int fieldNo) const {
        if (number.end >= line_.size()) {
            Refuse("number " + std::to_string(fieldNo) + " is not followed by a separator");
        }
        return number.end + 1;
    }

    // The next field begins after the character that ended this one, or at the end of the text.
    std::size_t NextAfter(const Number& number) const {
        return number.end < line_.size() ? number.end + 1 : line_.size();
    }

    std::string Text(std::size_t pos, std::string_view what) const {
        const std::string_view value = pos < line_.size() ? line_.substr(pos) : std::string_view();
        if (value.size() > kFieldLimit) {
            Refuse("the " + std::string(what) + " has " + std::to_string(value.size()) +
                   " characters (at most 19)");
        }
        return std::string(value);
    }

    [[noreturn]] void Refuse(const std::string& why) const {
        throw Refusal("command line \"" + std::string(line_) + "\" for \"" + std::string(switch_) +
                      "\": " + why);
    }

    std::size_t Size() const { return line_.size(); }

  private:
    std::string_view line_;
    std::string_view switch_;
};

}  // namespace

std::optional<OperationRequest> ParseCommandLine(std::string_view commandLine) {
    const SwitchRow* found = nullptr;
    for (const SwitchRow& row : kSwitches) {
        if (commandLine.find(row.text) != std::string_view::npos) {
            found = &row;
            break;
        }
    }
    if (found == nullptr) return std::nullopt;

    OperationRequest request;
    request.operation = found->operation;
    const FieldReader reader(commandLine, found->text);
    switch (found->fields) {
        case Fields::kNone:
            break;
        case Fields::kTwoNumbers: {
            const auto f1 = reader.ReadNumber(7);
            const auto f2 = reader.ReadNumber(reader.RequireSeparatorAfter(f1, 1));
            request.nParam1 = f1.value;
            request.nParam2 = f2.value;
            break;
        }
        case Fields::kFiveNumbers: {
            const auto f1 = reader.ReadNumber(8);
            const auto f2 = reader.ReadNumber(reader.RequireSeparatorAfter(f1, 1));
            const auto f3 = reader.ReadNumber(reader.RequireSeparatorAfter(f2, 2));
            const auto f4 = reader.ReadNumber(reader.RequireSeparatorAfter(f3, 3));
            const auto f5 = reader.ReadNumber(reader.NextAfter(f4));
            request.nParam1 = f1.value;
            request.nParam2 = f3.value;
            request.nParam3 = f5.value;
            request.nParam4 = f2.value;
            request.nParam5 = f4.value;
            request.param5Given = !f5.empty;
            break;
        }
        case Fields::kText:
            request.pszText = reader.Text(8, "text");
            break;
        case Fields::kNumberAndLastWord: {
            if (reader.Size() < 8) reader.Refuse("the number is missing");
            request.nParam1 = reader.ReadNumber(8).value;
            const std::size_t blank = commandLine.rfind(' ');
            request.pszText = blank == std::string_view::npos ? std::string()
                                                              : reader.Text(blank + 1, "last word");
            break;
        }
    }
    return request;
}
