// SPDX-License-Identifier: MIT
#include "cli/arguments.h"

#include <algorithm>

namespace tool {

namespace {

struct Option {
    const char* name;       // "--cache"
    const char* shortName;  // "-q", or null
    const char* value;      // what its value is ("DIR"), or null for a flag
    const char* help;
    std::string Arguments::*text;
    bool Arguments::*flag;
};

// Options that name a file or directory take no empty value.
bool namesFile(const Option& option)
{
    const std::string value = option.value;
    return value == "FILE" || value == "DIR" || value == "LIST";
}

const Option globalOptions[] = {
    {"--catalogue", nullptr, "FILE", "emoticon catalogue (default: <tool's dir>/../share/tessel/emo.dat)",
     &Arguments::catalogue, nullptr},
    {"--cache", nullptr, "DIR", "picture cache (default: $XDG_CACHE_HOME/tessel)", &Arguments::cache,
     nullptr},
    {"--quiet", "-q", nullptr, "do not list the pictures on standard error", nullptr, &Arguments::quiet},
    {"--help", "-h", nullptr, "print this help, or a command's (tessel COMMAND --help)", nullptr,
     &Arguments::help},
    {"--version", "-V", nullptr, "print the version", nullptr, &Arguments::version},
};

const Option resourcesOnly = {"--resources-only",
                              nullptr,
                              nullptr,
                              "keep only pictures that are Qt resources (\":/...\")",
                              nullptr,
                              &Arguments::resourcesOnly};
const Option title = {"--title",         nullptr, "TEXT", "title of the body's title div",
                      &Arguments::title, nullptr};
const Option sender = {"--sender",         nullptr, "TEXT", "sender of the body's title div",
                       &Arguments::sender, nullptr};
const Option date = {"--date", nullptr, "TEXT", "date of the body's title div", &Arguments::date, nullptr};
const Option bodyJson = {"--json", nullptr,
                         nullptr,  "print the body, its plain text and both lists as JSON",
                         nullptr,  &Arguments::json};
const Option listJson = {"--json", nullptr, nullptr, "print the list as JSON", nullptr, &Arguments::json};
const Option images = {"--images",
                       nullptr,
                       "LIST",
                       "JSON file of [key, path] pairs, or what 'tessel body --json' prints",
                       &Arguments::images,
                       nullptr};

struct Command {
    const char* name;
    const char* operand;  // "FILE", "BODY", "NAME", or null
    bool operandRequired;
    const char* summary;      // its line in the tool's help
    const char* description;  // its own help
    std::vector<const Option*> options;
};

const char* const fromInput = "FILE is read from standard input when absent or '-'.";
const char* const fromBody = "BODY is read from standard input when absent or '-'.";

const Command commands[] = {
    {"rich",
     "FILE",
     false,
     "the message as Qt rich text (ParseHtml)",
     "Prints a message as Qt rich text (ParseHtml): its text and pictures in the HTML\n"
     "that Qt renders, each picture pointing at a Qt resource, a local file, or an\n"
     "http:// picture downloaded into the cache directory. A message without markup\n"
     "comes out as plain text.",
     {&resourcesOnly}},
    {"rewrite",
     "FILE",
     false,
     "the message's HTML with its pictures made local (ParseHtml2)",
     "Prints the message's own HTML with every picture tag that the library handles\n"
     "rewritten to the picture's local path (ParseHtml2); http:// pictures are\n"
     "downloaded into the cache directory.",
     {}},
    {"body",
     "FILE",
     false,
     "the compact body with reference tags (ParseHtml_Orb)",
     "Prints the compact body of a message (ParseHtml_Orb): a title div, then the\n"
     "message with emoticons and pictures as reference tags (<img id=\"...\"/>).",
     {&title, &sender, &date, &bodyJson}},
    {"html",
     "BODY",
     false,
     "HTML rebuilt from a body (HtmlFromBody)",
     "Prints the HTML rebuilt from a body (HtmlFromBody): emoticons through the\n"
     "catalogue, pictures through the image list.",
     {&images}},
    {"paragraph",
     "BODY",
     false,
     "a body's text as one Qt paragraph (EChTextFromBody)",
     "Prints a body's text as one Qt paragraph, emoticons as image tags\n"
     "(EChTextFromBody).",
     {}},
    {"emoticons",
     nullptr,
     false,
     "the catalogue, one emoticon a line",
     "Prints the catalogue, one emoticon a line: index, id, name, group and resource\n"
     "path, separated by tabs.",
     {&listJson}},
    {"emoticon",
     "NAME",
     true,
     "the image tag of an emoticon (EChPathFromName)",
     "Prints the image tag of the catalogue's emoticon NAME (EChPathFromName).",
     {}},
    {"show",
     "FILE",
     false,
     "rich text, body and lists of a message at once",
     "Prints, each under a heading, the rich text of a message (ParseHtml2, then\n"
     "GetText), its body (ParseHtml_Orb) and the body's emoticon and image lists.",
     {&title, &sender, &date}},
};

const Command* findCommand(const std::string& name)
{
    for (const Command& command : commands)
        if (name == command.name)
            return &command;
    return nullptr;
}

const Option* findOption(const std::string& word, const Command* command)
{
    auto matches = [&](const Option& option) {
        return word == option.name || (option.shortName && word == option.shortName);
    };
    for (const Option& option : globalOptions)
        if (matches(option))
            return &option;
    if (command)
        for (const Option* option : command->options)
            if (matches(*option))
                return option;
    return nullptr;
}

std::string inQuotes(const std::string& word)
{
    return "'" + word + "'";
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& words) : words(words) {}

    Arguments parse()
    {
        bool optionsEnd = false;
        for (next = 0; next < words.size() && !arguments.help && !arguments.version;) {
            const std::string& word = words[next++];
            if (!optionsEnd && word == "--")
                optionsEnd = true;
            else if (!optionsEnd && word.size() > 1 && word[0] == '-')
                option(word);
            else
                operand(word);
        }
        if (arguments.help || arguments.version)
            return arguments;
        if (!command)
            fail("no command given");
        if (command->operandRequired && !operandGiven)
            fail(std::string("'") + command->name + "' needs a " + command->operand);
        if (arguments.input == "-" && arguments.images == "-")
            fail("BODY and --images cannot both be read from standard input");
        return arguments;
    }

private:
    [[noreturn]] void fail(const std::string& message) const
    {
        throw UsageError(message, command ? command->name : "");
    }

    void option(const std::string& word)
    {
        std::size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
        const std::string name = word.substr(0, equals);
        const Option* option = findOption(name, command);
        if (!option) {
            if (command)
                fail("unknown option " + inQuotes(name) + " for '" + command->name + "'");
            fail("unknown option " + inQuotes(name));
        }
        if (!option->value) {
            if (equals != std::string::npos)
                fail("option " + inQuotes(name) + " takes no value");
            arguments.*(option->flag) = true;
            return;
        }
        std::string value;
        if (equals != std::string::npos)
            value = word.substr(equals + 1);
        else if (next < words.size())
            value = words[next++];
        else
            fail("option " + inQuotes(name) + " needs a value (" + option->value + ")");
        if (value.empty() && namesFile(*option))
            fail("option " + inQuotes(name) + " needs a " + option->value + ", not an empty word");
        arguments.*(option->text) = value;
    }

    void operand(const std::string& word)
    {
        if (!command) {
            command = findCommand(word);
            if (!command)
                fail("unknown command " + inQuotes(word));
            arguments.command = word;
            return;
        }
        if (!command->operand || operandGiven)
            fail("unexpected argument " + inQuotes(word));
        operandGiven = true;
        (std::string(command->operand) == "NAME" ? arguments.name : arguments.input) = word;
    }

    const std::vector<std::string>& words;
    std::size_t next = 0;
    Arguments arguments;
    const Command* command = nullptr;
    bool operandGiven = false;
};

// One help line: the term padded to a column, then its description.
void addLine(std::string& text, const std::string& term, const std::string& help)
{
    constexpr std::size_t column = 24;
    text += "  " + term;
    text += term.size() + 2 < column ? std::string(column - term.size() - 2, ' ')
                                     : "\n" + std::string(column, ' ');
    text += help + "\n";
}

std::string optionTerm(const Option& option)
{
    std::string term = option.shortName ? std::string(option.shortName) + ", " : "";
    term += option.name;
    if (option.value)
        term += std::string(" ") + option.value;
    return term;
}

// The command's name with its operand: "rich [FILE]", "emoticon NAME".
std::string operandTerm(const Command& command)
{
    std::string text = command.name;
    if (command.operand)
        text += command.operandRequired ? std::string(" ") + command.operand
                                        : std::string(" [") + command.operand + "]";
    return text;
}

std::string usage(const Command& command)
{
    std::string text = std::string("tessel [OPTIONS] ") + command.name;
    for (const Option* option : command.options)
        text += " [" + optionTerm(*option) + "]";
    return text + operandTerm(command).substr(std::string(command.name).size());
}

std::string globalOptionsHelp(const char* heading)
{
    std::string text = std::string(heading) + " (before or after the command):\n";
    for (const Option& option : globalOptions)
        addLine(text, optionTerm(option), option.help);
    return text;
}

}  // namespace

Arguments parseArguments(const std::vector<std::string>& words)
{
    return Parser(words).parse();
}

std::string helpText(const std::string& name)
{
    if (const Command* command = findCommand(name)) {
        std::string text = "Usage: " + usage(*command) + "\n\n" + command->description + "\n";
        if (command->operand && std::string(command->operand) != "NAME")
            text += std::string(std::string(command->operand) == "BODY" ? fromBody : fromInput) + "\n";
        if (!command->options.empty()) {
            text += "\nOptions:\n";
            for (const Option* option : command->options)
                addLine(text, optionTerm(*option), option->help);
        }
        return text + "\n" + globalOptionsHelp("Global options");
    }
    std::string text = "Usage: tessel [OPTIONS] COMMAND [ARGUMENTS]\n\n"
                       "Converts chat-message HTML with the Tessel library. Every command prints its\n"
                       "result on standard output; pictures made ready are listed on standard error.\n\n"
                       "Commands:\n";
    for (const Command& command : commands)
        addLine(text, operandTerm(command), command.summary);
    text += "\n" + globalOptionsHelp("Options") +
            "\nFILE and BODY are read from standard input when absent or '-'. 'tessel COMMAND\n"
            "--help' describes a command.\n\n"
            "Exit status: 0 on success, 1 when the work fails (input, catalogue, output),\n"
            "2 on a usage error.\n";
    return text;
}

}  // namespace tool
