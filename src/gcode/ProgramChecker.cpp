#include "gcode/ProgramChecker.h"

#include "common/NumberFormat.h"
#include "gcode/ProgramText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <set>

namespace tessaline {

namespace {

bool isLetter(char ch) { return std::isalpha(static_cast<unsigned char>(ch)) != 0; }
bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }
bool isBlank(char ch) { return ch == ' ' || ch == '\t'; }
char upper(char ch) { return static_cast<char>(std::toupper(static_cast<unsigned char>(ch))); }

// The word as written ("Z" and "6196.40000000501").
std::string canonicalWord(char letter, std::string_view text) {
    std::string word(1, letter);
    word.append(text);
    return word;
}

bool contains(const std::vector<std::string>& list, std::string_view item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// "M06" and "m6" give "M6".
std::string canonical(char letter, std::string_view number) {
    std::string word(1, upper(letter));
    word += codeNumber(number);
    return word;
}

// Significant digits of a number as written: leading zeros do not count, nor trailing zeros
// after the point.
int significantDigits(std::string_view number) {
    std::string digits;
    for (char ch : number) {
        if (isDigit(ch)) digits.push_back(ch);
    }
    const std::size_t point = number.find('.');
    if (point != std::string_view::npos) {
        std::size_t keep = digits.size();
        std::size_t fraction = 0;
        for (std::size_t i = point + 1; i < number.size(); ++i) fraction += isDigit(number[i]) ? 1 : 0;
        while (fraction > 0 && keep > 0 && digits[keep - 1] == '0') {
            --keep;
            --fraction;
        }
        digits.resize(keep);
    }
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? 0 : static_cast<int>(digits.size() - first);
}

class LineChecker {
public:
    LineChecker(const MachineProfile& profile, std::vector<CheckFinding>& findings, std::set<std::string>& codes)
        : p_(profile),
          l_(profile.limits),
          findings_(findings),
          codes_(codes),
          needle_(profile.needleAxis.size() == 1 ? upper(profile.needleAxis.front()) : '\0') {}

    void check(std::size_t number, std::string_view line) {
        number_ = number;
        if (l_.realtimeCommands) {
            if (const auto found = realtimeCharacterIn(line)) {
                report(*found + ": " + p_.name + " takes it as a real-time command wherever it stands");
            }
        }
        const std::string code = stripComments(line);
        if (l_.lineLength > 0) {
            std::size_t length = line.size();
            if (!l_.lineLengthCountsComments) {
                length = static_cast<std::size_t>(std::count_if(code.begin(), code.end(), [](char ch) { return !isBlank(ch); }));
            }
            if (length > l_.lineLength) {
                report("line of " + std::to_string(length) + " characters; " + p_.name + " takes at most " +
                       std::to_string(l_.lineLength));
            }
        }
        needleWord_.reset();
        rebased_ = false;
        kinematic_ = false;
        words(code);
        followNeedle();
    }

private:
    void report(std::string message) { findings_.push_back({number_, std::move(message)}); }

    // The needle axis's machine position: G92 shifts the program's coordinates unless the
    // profile's re-base resets the machine (SET_KINEMATIC_POSITION always does).
    void followNeedle() {
        if (!needleWord_) return;
        if (rebased_ && !kinematic_ && !g92Resets()) {
            offset_ = machine_ - *needleWord_;
            return;
        }
        machine_ = *needleWord_ + (rebased_ ? 0 : offset_);
        if (rebased_) offset_ = 0;
        if (!travelReported_ && machine_ > p_.needleMachineMax) {
            travelReported_ = true;
            report(std::string("needle axis ") + needle_ + " at " + formatRounded(machine_, 3) +
                   " mm of machine travel; " + p_.name + "'s needle_machine_max is " +
                   formatNumber(p_.needleMachineMax) + " mm");
        }
    }

    // G92 resets the machine position only where the profile's own re-base is a G92 that does.
    bool g92Resets() const { return p_.rebaseResets && p_.rebaseLine.starts_with("G92"); }

    // "SET_KINEMATIC_POSITION Z=0": the needle's parameter sets the machine position.
    void commandParameters(std::string_view name, std::string_view rest) {
        if (name != "SET_KINEMATIC_POSITION" || needle_ == '\0') return;
        std::size_t i = 0;
        while (i < rest.size()) {
            while (i < rest.size() && isBlank(rest[i])) ++i;
            const std::size_t start = i;
            while (i < rest.size() && !isBlank(rest[i])) ++i;
            const std::string_view parameter = rest.substr(start, i - start);
            if (parameter.size() > 2 && upper(parameter[0]) == needle_ && parameter[1] == '=') {
                needleWord_ = parseLenient(parameter.substr(2));
                rebased_ = true;
                kinematic_ = true;
            }
        }
    }

    // The line without its comments, reporting comments the controller cannot parse.
    std::string stripComments(std::string_view line) {
        std::string code;
        bool inComment = false;
        for (char ch : line) {
            if (inComment) {
                if (ch == '(') {
                    // The controller refuses the whole line; what follows says nothing more.
                    report("nested comment: '(' inside a comment");
                    return code;
                }
                if (ch == ')') inComment = false;
                continue;
            }
            if (ch == '(') {
                if (!l_.parenthesesComments) {
                    report("( ) comment: " + p_.name + " does not read it as a comment");
                }
                inComment = true;
            } else if (ch == ')') {
                report("')' outside a comment");
            } else if (ch == ';') {
                if (!l_.semicolonComments) report("; comment: " + p_.name + " does not read it as a comment");
                break;
            } else if (ch == '\r' || ch == '\n') {
                report("stray line break character");
            } else {
                code.push_back(ch);
            }
        }
        if (inComment) report("comment not closed on its line");
        return code;
    }

    void words(std::string_view code) {
        std::size_t i = 0;
        const auto skipBlanks = [&] {
            while (i < code.size() && isBlank(code[i])) ++i;
        };
        skipBlanks();
        if (i == code.size()) return;
        std::string given;  // parameter letters met on this line
        // A named command ("PAUSE", "SET_PIN PIN=x"), where the controller has them: two letters,
        // or a letter and '_', at its start.
        if (!l_.commands.empty() && i + 1 < code.size() && isLetter(code[i]) && (isLetter(code[i + 1]) || code[i + 1] == '_')) {
            std::size_t end = i;
            while (end < code.size() && !isBlank(code[end])) ++end;
            std::string name(code.substr(i, end - i));
            std::transform(name.begin(), name.end(), name.begin(), upper);
            if (!contains(l_.commands, name)) report("command " + name + ": " + p_.name + " has no such command");
            codes_.insert(name);
            commandParameters(name, code.substr(end));
            return;
        }
        bool first = true;
        while (i < code.size()) {
            skipBlanks();
            if (i == code.size()) break;
            const char letter = upper(code[i]);
            if (!isLetter(letter)) {
                report(std::string("'") + code[i] + "' where a word should start");
                return;
            }
            ++i;
            skipBlanks();
            const std::size_t start = i;
            if (i < code.size() && (code[i] == '+' || code[i] == '-')) ++i;
            while (i < code.size() && (isDigit(code[i]) || code[i] == '.')) ++i;
            const std::string_view numberText = code.substr(start, i - start);
            if (std::none_of(numberText.begin(), numberText.end(), isDigit)) {
                report(std::string("word ") + letter + " without a number");
                return;  // the rest of the line no longer reads as words
            }
            if (first && !l_.bareWords && letter != 'G' && letter != 'M') {
                report(std::string("line starts with ") + letter + ": " + p_.name +
                       " runs only lines that start with a G or M code or a command");
            }
            first = false;
            if (letter == 'G' || letter == 'M') {
                const std::string word = canonical(letter, numberText);
                codes_.insert(word);
                if (!l_.codeLeadingZeros && word.substr(1) != numberText) {
                    report(canonicalWord(letter, numberText) + ": " + p_.name + " takes this code only as " + word);
                }
                if (word == "G92") rebased_ = true;
                const auto& known = letter == 'G' ? l_.gCodes : l_.mCodes;
                if (!contains(known, word.substr(1))) report(word + ": " + p_.name + " does not take this code");
                if (contains(textCodesCanonical(), word)) return;  // the rest of the line is its text
                continue;
            }
            if (l_.letters.find(letter) == std::string::npos) {
                report(std::string("word ") + letter + ": " + p_.name + " does not take this letter");
            }
            // A controller refuses the line or keeps one of the two, so the line does not do what it says.
            if (given.find(letter) != std::string::npos) report(std::string("word ") + letter + " given twice on one line");
            given.push_back(letter);
            if (letter == 'F' && !(parseLenient(numberText) > 0)) {
                report(canonicalWord(letter, numberText) + ": a feed must be greater than 0");
            }
            number(letter, numberText);
            if (letter == needle_) needleWord_ = parseLenient(numberText);
        }
    }

    void number(char letter, std::string_view text) {
        const double value = parseLenient(text);
        if (std::fabs(value) > l_.maxValue) {
 report(canonicalWord(letter, text) + ": beyond " + p_.name + "'s range of " +
                   formatNumber(l_.maxValue));
        }
        const int digits = significantDigits(text);
        if (digits > l_.maxDigits) {
            report(canonicalWord(letter, text) + ": " + std::to_string(digits) +
                   " significant digits; " + p_.name + " keeps " + std::to_string(l_.maxDigits));
        }
    }

    const std::vector<std::string>& textCodesCanonical() {
        if (textCodes_.size() != l_.textCodes.size()) {
            textCodes_.clear();
            for (const auto& code : l_.textCodes) {
                textCodes_.push_back(code.empty() ? code : canonical(code.front(), code.substr(1)));
            }
        }
        return textCodes_;
    }

    const MachineProfile& p_;
    const ProgramLimits& l_;
    std::vector<CheckFinding>& findings_;
    std::set<std::string>& codes_;
    std::vector<std::string> textCodes_;
    std::size_t number_ = 0;

    char needle_;                        // the needle axis's letter; '\0' when it is not one letter
    std::optional<double> needleWord_;   // the line's needle number
    bool rebased_ = false;               // the line declares the needle's number
    bool kinematic_ = false;             // by SET_KINEMATIC_POSITION
    double machine_ = 0;                 // the needle axis's machine position, mm
    double offset_ = 0;                  // machine position minus program number
    bool travelReported_ = false;
};

}  // namespace

std::vector<CheckFinding> checkProgram(std::string_view program, const MachineProfile& profile) {
    std::vector<CheckFinding> findings;
    std::set<std::string> codes;
    LineChecker checker(profile, findings, codes);
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < program.size()) {
        const std::size_t found = program.find_first_of("\r\n", start);
        const std::size_t end = found == std::string_view::npos ? program.size() : found;
        checker.check(++number, program.substr(start, end - start));
        if (end == program.size()) break;
        start = end + 1;
        if (program[end] == '\r' && start < program.size() && program[start] == '\n') ++start;
    }
    if (!profile.endCode.empty()) {
        const std::string end = canonical(profile.endCode.front(), std::string_view(profile.endCode).substr(1));
        if (!codes.contains(end)) {
            findings.push_back({std::max<std::size_t>(number, 1),
                                "no " + profile.endCode + " in the program: " + profile.name + " needs it to end the program"});
        }
    }
    return findings;
}

}  // namespace tessaline
