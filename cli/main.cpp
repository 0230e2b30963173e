// tessel: converts chat messages with the Tessel library from the command line.
#include <exception>
#include <functional>
#include <iostream>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"

namespace {

// CLI11 reports a word that names no command as a missing command; name the
// word instead.
std::string describeParseError(const CLI::App& app, int argc, char** argv, const CLI::ParseError& e)
{
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--catalogue" || word == "--cache") {
            ++i;
            continue;
        }
        if (word.empty() || word[0] == '-')
            continue;
        for (const CLI::App* command : app.get_subcommands({}))
            if (command->get_name() == word)
                return e.what();
        return "unknown command '" + word + "'";
    }
    return e.what();
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Converts chat-message HTML with the Tessel library."};
    app.require_subcommand(1);
    tool::Options options;
    app.add_option("--catalogue", options.catalogue,
                   "emoticon catalogue (emo.dat); default: the bundled sample");
    app.add_option("--cache", options.cache,
                   "directory for downloaded pictures; default: $XDG_CACHE_HOME/tessel");

    std::function<int()> run;
    std::string file, images, name;
    bool flag = false;
    tool::BodyHead head;
    auto input = [&](CLI::App* command, const char* what) {
        command->add_option(what, file, "input file; standard input when absent or '-'");
    };
    auto headOptions = [&](CLI::App* command) {
        command->add_option("--title", head.title, "title of the body's title div");
        command->add_option("--sender", head.sender, "sender of the body's title div");
        command->add_option("--date", head.date, "date of the body's title div");
    };

    auto* text = app.add_subcommand("text", "the text of a message, pictures resolved (ParseHtml)");
    input(text, "FILE");
    text->add_flag("--resources-only", flag, "keep only pictures that are Qt resources");
    text->callback([&] { run = [&] { return tool::runText(options, file, flag); }; });

    auto* rich = app.add_subcommand("rich", "the message with its pictures made local (ParseHtml2)");
    input(rich, "FILE");
    rich->add_flag("--text", flag, "print the rich text instead of the rewritten HTML");
    rich->callback([&] { run = [&] { return tool::runRich(options, file, flag); }; });

    auto* body = app.add_subcommand("body", "the message body with its lists (ParseHtml_Orb)");
    input(body, "FILE");
    headOptions(body);
    body->add_flag("--json", flag, "print body, text and both lists as JSON");
    body->callback([&] { run = [&] { return tool::runBody(options, file, head, flag); }; });

    auto* html = app.add_subcommand("html", "HTML rebuilt from a message body (HtmlFromBody)");
    input(html, "BODY");
    html->add_option("--images", images, "JSON list of [key, path] pairs, or body --json output");
    html->callback([&] { run = [&] { return tool::runHtml(options, file, images); }; });

    auto* paragraph = app.add_subcommand("paragraph", "a Qt paragraph of a body's text (EChTextFromBody)");
    input(paragraph, "BODY");
    paragraph->callback([&] { run = [&] { return tool::runParagraph(options, file); }; });

    auto* emoticons = app.add_subcommand("emoticons", "list the emoticon catalogue");
    emoticons->add_flag("--json", flag, "print the list as JSON");
    emoticons->callback([&] { run = [&] { return tool::runEmoticons(options, flag); }; });

    auto* emoticon = app.add_subcommand("emoticon", "the image tag of an emoticon by name");
    emoticon->add_option("NAME", name, "emoticon name")->required();
    emoticon->callback([&] { run = [&] { return tool::runEmoticon(options, name); }; });

    auto* show = app.add_subcommand("show", "rich text, body and lists of a message at once");
    input(show, "FILE");
    headOptions(show);
    show->callback([&] { run = [&] { return tool::runShow(options, file, head); }; });

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "tessel: " << describeParseError(app, argc, argv, e) << " (see tessel --help)\n";
        return e.get_exit_code();
    }
    try {
        return run();
    } catch (const tool::Failure& e) {
        std::cerr << "tessel: " << e.what() << '\n';
    } catch (const std::exception& e) {
        std::cerr << "tessel: " << e.what() << '\n';
    }
    return 1;
}
