#include "gcode/ProfileToml.h"

#include "common/InputFile.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/ProfileNames.h"

#include <toml++/toml.h>

#include <set>
#include <sstream>

namespace tessaline {

namespace {

std::string describe(std::size_t line, const std::string& field, const std::string& reason) {
    std::string text;
    if (line > 0) text += "line " + std::to_string(line) + ", ";
    if (!field.empty()) text += "field '" + field + "': ";
    return text + reason;
}

// A choice written as one of a few words in the file.
template <class E>
struct Choice {
    E& value;
    std::vector<std::pair<E, std::string_view>> names;
};

struct LineEnd {
    std::string& value;
};

Choice<CommentForm> commentChoice(CommentForm& value) {
    return {value, {{CommentForm::Parentheses, "parentheses"}, {CommentForm::Semicolon, "semicolon"},
                    {CommentForm::None, "none"}}};
}

Choice<LinkProtocol> protocolChoice(LinkProtocol& value) {
    return {value, {{LinkProtocol::None, "none"}, {LinkProtocol::Grbl, "grbl"}, {LinkProtocol::Marlin, "marlin"},
                    {LinkProtocol::LineOk, "line-ok"}}};
}

Choice<ChangeMove> changeChoice(ChangeMove& value) {
    return {value, {{ChangeMove::Feed, "feed"}, {ChangeMove::Rapid, "rapid"}, {ChangeMove::None, "none"}}};
}

// Every field and its key, for reading and writing alike; "limits." keys live in [limits].
template <class Visit>
void visitFields(MachineProfile& p, Visit&& visit) {
    visit("summary", p.summary);
    visit("comments", commentChoice(p.comments));
    visit("line_end", LineEnd{p.lineEnd});
    visit("header_words", p.headerWords);
    visit("footer_words", p.footerWords);
    visit("header_lines", p.headerLines);
    visit("feed_line", p.feedLine);
    visit("end_code", p.endCode);
    visit("move_code", p.moveCode);
    visit("rapid_code", p.rapidCode);
    visit("trailing_blank", p.trailingBlank);
    visit("lamp_on", p.lampOn);
    visit("lamp_off", p.lampOff);
    visit("jump_comment", p.jumpComment);
    visit("stitch_comment", p.stitchComment);
    visit("colour_comment", p.colourComment);
    visit("change_move", changeChoice(p.changeMove));
    visit("colour_stop", p.colourStop);
    visit("needle_axis", p.needleAxis);
    visit("rebase", p.rebase);
    visit("rebase_line", p.rebaseLine);
    visit("rebase_resets", p.rebaseResets);
    visit("rebase_span", p.rebaseSpan);
    visit("needle_machine_max", p.needleMachineMax);
    visit("machine_note", p.machineNote);
    visit("final_colour_stop", p.finalColourStop);
    visit("jump_strokes", p.jumpStrokes);
    visit("travel_feed", p.travelFeed);
    visit("trim_jumps", p.trimJumps);
    visit("trim_stop", p.trimStop);
    visit("needle_up_wait", p.needleUpWait);
    visit("progress", p.progress);
    visit("dwell_line", p.dwellLine);
    visit("protocol", protocolChoice(p.protocol));
    visit("receive_buffer", p.receiveBuffer);
    ProgramLimits& l = p.limits;
    visit("limits.line_length", l.lineLength);
    visit("limits.line_length_counts_comments", l.lineLengthCountsComments);
    visit("limits.parentheses_comments", l.parenthesesComments);
    visit("limits.semicolon_comments", l.semicolonComments);
    visit("limits.g_codes", l.gCodes);
    visit("limits.m_codes", l.mCodes);
    visit("limits.letters", l.letters);
    visit("limits.commands", l.commands);
    visit("limits.text_codes", l.textCodes);
    visit("limits.max_value", l.maxValue);
    visit("limits.max_digits", l.maxDigits);
    visit("limits.realtime_commands", l.realtimeCommands);
    visit("limits.code_leading_zeros", l.codeLeadingZeros);
    visit("limits.bare_words", l.bareWords);
}

class Reader {
public:
    Reader(const toml::table& table, const std::filesystem::path& path) : table_(table), path_(path) {}

    void operator()(std::string_view key, std::string& value) {
        if (const toml::node* node = find(key)) {
            const auto text = node->value<std::string>();
            if (!text) fail(*node, key, "expected a text in quotes");
            value = *text;
        }
    }
    void operator()(std::string_view key, bool& value) {
        if (const toml::node* node = find(key)) {
            if (!node->is_boolean()) fail(*node, key, "expected true or false");
            value = node->as_boolean()->get();
        }
    }
    void operator()(std::string_view key, std::vector<std::string>& value) {
        if (const toml::node* node = find(key)) {
            const toml::array* array = node->as_array();
            if (array == nullptr) fail(*node, key, "expected a list of texts, [\"...\", ...]");
            std::vector<std::string> texts;
            for (const toml::node& item : *array) {
                const auto text = item.value<std::string>();
                if (!text) fail(item, key, "expected a list of texts, [\"...\", ...]");
                texts.push_back(*text);
            }
            value = std::move(texts);
        }
    }
    void operator()(std::string_view key, std::size_t& value) {
        if (const toml::node* node = find(key)) {
            if (!node->is_integer() || node->as_integer()->get() < 0) fail(*node, key, "expected a whole number, 0 or more");
            value = static_cast<std::size_t>(node->as_integer()->get());
        }
    }
    void operator()(std::string_view key, int& value) {
        if (const toml::node* node = find(key)) {
            if (!node->is_integer() || node->as_integer()->get() < 1 || node->as_integer()->get() > 17) {
                fail(*node, key, "expected a whole number from 1 to 17");
            }
            value = static_cast<int>(node->as_integer()->get());
        }
    }
    void operator()(std::string_view key, double& value) {
        if (const toml::node* node = find(key)) {
            const auto number = node->value<double>();
            if (!number || !(*number > 0)) fail(*node, key, "expected a number greater than 0");
            value = *number;
        }
    }
    template <class E>
    void operator()(std::string_view key, Choice<E> choice) {
        if (const toml::node* node = find(key)) {
            const auto text = node->value<std::string>();
            std::string allowed;
            for (const auto& [option, name] : choice.names) {
                if (text && *text == name) {
                    choice.value = option;
                    return;
                }
                allowed += (allowed.empty() ? "\"" : ", \"") + std::string(name) + "\"";
            }
            fail(*node, key, "expected one of " + allowed);
        }
    }
    void operator()(std::string_view key, LineEnd lineEnd) {
        if (const toml::node* node = find(key)) {
            const auto text = node->value<std::string>();
            if (text && *text == "crlf") lineEnd.value = "\r\n";
            else if (text && *text == "lf") lineEnd.value = "\n";
            else fail(*node, key, "expected \"crlf\" or \"lf\"");
        }
    }

    // Keys of the file that no field reads: most likely misspelt, so refused rather than ignored.
    void refuseUnknown(const toml::table& table, const std::string& prefix) {
        for (const auto& [key, node] : table) {
            const std::string path = prefix + std::string(key.str());
            if (path == "limits" && node.is_table()) {
                refuseUnknown(*node.as_table(), "limits.");
                continue;
            }
            if (!seen_.contains(path)) fail(node, path, "unknown field");
        }
    }

    [[noreturn]] void fail(const toml::node& node, std::string_view key, const std::string& reason) const {
        throw ProfileError(path_, node.source().begin.line, std::string(key), reason);
    }

private:
    const toml::node* find(std::string_view key) {
        seen_.insert(std::string(key));
        return table_.at_path(key).node();
    }

    const toml::table& table_;
    const std::filesystem::path& path_;
    std::set<std::string> seen_{"name", "base"};
};

class Writer {
public:
    explicit Writer(toml::table& table) : table_(table) {}

    void operator()(std::string_view key, const std::string& value) { put(key, value); }
    void operator()(std::string_view key, bool value) { put(key, value); }
    void operator()(std::string_view key, std::size_t value) { put(key, static_cast<std::int64_t>(value)); }
    void operator()(std::string_view key, int value) { put(key, static_cast<std::int64_t>(value)); }
    void operator()(std::string_view key, double value) { put(key, value); }
    void operator()(std::string_view key, const std::vector<std::string>& value) {
        toml::array array;
        for (const auto& text : value) array.push_back(text);
        put(key, std::move(array));
    }
    template <class E>
    void operator()(std::string_view key, Choice<E> choice) {
        for (const auto& [option, name] : choice.names) {
            if (option == choice.value) put(key, std::string(name));
        }
    }
    void operator()(std::string_view key, LineEnd lineEnd) {
        put(key, std::string(lineEnd.value == "\n" ? "lf" : "crlf"));
    }

private:
    template <class T>
    void put(std::string_view key, T&& value) {
        constexpr std::string_view limits = "limits.";
        if (key.starts_with(limits)) {
            if (!table_.contains("limits")) table_.insert("limits", toml::table{});
            table_["limits"].as_table()->insert_or_assign(key.substr(limits.size()), std::forward<T>(value));
        } else {
            table_.insert_or_assign(key, std::forward<T>(value));
        }
    }

    toml::table& table_;
};

std::string builtinNameList() {
    std::vector<std::string_view> names;
    for (const MachineProfile& profile : builtinProfiles()) names.push_back(profile.name);
    return listProfileNames(names);
}

}  // namespace

ProfileError::ProfileError(std::filesystem::path path, std::size_t line, std::string field, const std::string& reason)
    : PathError(std::move(path), describe(line, field, reason)), line_(line), field_(std::move(field)) {}

MachineProfile profileFromToml(std::string_view text, const std::filesystem::path& path, const BaseLookup& bases) {
    toml::table table;
    try {
        table = toml::parse(text, path.string());
    } catch (const toml::parse_error& error) {
        throw ProfileError(path, error.source().begin.line, "", std::string(error.description()));
    }
    MachineProfile profile = classicProfile();
    if (const toml::node* base = table.get("base")) {
        const auto name = base->value<std::string>();
        const MachineProfile* found = name ? bases(*name) : nullptr;
        if (found == nullptr) {
            throw ProfileError(path, base->source().begin.line, "base",
                               name ? "no built-in profile is called \"" + *name + "\" (known: " + builtinNameList() + ")"
                                    : "expected a text in quotes");
        }
        profile = *found;
    }
    profile.name = path.stem().string();
    if (const toml::node* name = table.get("name")) {
        const auto text = name->value<std::string>();
        if (!text || text->empty()) throw ProfileError(path, name->source().begin.line, "name", "expected a text in quotes");
        profile.name = *text;
    }
    if (const toml::node* limits = table.get("limits"); limits != nullptr && !limits->is_table()) {
        throw ProfileError(path, limits->source().begin.line, "limits", "expected a [limits] table");
    }
    Reader reader(table, path);
    visitFields(profile, reader);
    reader.refuseUnknown(table, "");
    if (const auto problem = profileProblem(profile)) {
        const toml::node* node = table.at_path(problem->field).node();
        throw ProfileError(path, node != nullptr ? node->source().begin.line : 0, problem->field, problem->reason);
    }
    return profile;
}

MachineProfile readProfileFile(const std::filesystem::path& path, const BaseLookup& bases) {
    std::string text;
    try {
        text = readInputText(path, {kMaxProfileFileBytes, "more than any profile needs"});
    } catch (const InputFileError& e) {
        throw ProfileError(path, 0, "", e.reason());
    }
    return profileFromToml(text, path, bases);
}

std::string profileToToml(const MachineProfile& profile) {
    MachineProfile copy = profile;
    toml::table table;
    table.insert("name", copy.name);
    Writer writer(table);
    visitFields(copy, writer);
    std::ostringstream out;
    out << toml::toml_formatter(table) << '\n';
    return out.str();
}

}  // namespace tessaline
