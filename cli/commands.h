// The subcommands of the tessel tool. Each returns the process exit code and
// throws tool::Failure for errors to report on one line.
#pragma once

#include <string>

namespace tool {

struct Options {
    std::string catalogue;  // empty: the bundled sample catalogue
    std::string cache;      // empty: the user's cache directory
};

struct BodyHead {
    std::string title, sender, date;
};

int runText(const Options& options, const std::string& file, bool resourcesOnly);
int runRich(const Options& options, const std::string& file, bool richText);
int runBody(const Options& options, const std::string& file, const BodyHead& head, bool json);
int runHtml(const Options& options, const std::string& bodyFile, const std::string& imagesFile);
int runParagraph(const Options& options, const std::string& bodyFile);
int runEmoticons(const Options& options, bool json);
int runEmoticon(const Options& options, const std::string& name);
int runShow(const Options& options, const std::string& file, const BodyHead& head);

}  // namespace tool
