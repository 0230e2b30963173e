// SPDX-License-Identifier: MIT
// The picture downloader against a hostile web server. Each input names up
// to three picture addresses and scripts up to four replies (status line,
// headers, framing, body, where the connection is cut or reset, pauses),
// which the in-process server on 127.0.90.1:80 gives in the order requests
// arrive. The addresses go to ImageDownloader::downloadImage in one call,
// or inside a message to ParseHtml or ParseHtml2, under small download
// limits from the input. After the call:
//  - a download that succeeded left one file, directly in the cache
//    directory, under a 30-character random name, holding the start (or all)
//    of the body of a reply the server sent, announced exactly once with
//    its path; a download that failed left no file; nothing else changed in
//    the scratch directory;
//  - the call ended within its time limit (with slack for a loaded machine);
//  - every request was a GET.
// The network fence (network_fence.cpp) refuses every connection but those
// to the server, whatever an address or a redirect names.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "download/DownloadSettings.h"
#include "download/ImageDownloader.h"
#include "fixture.h"
#include "network_fence.h"
#include "reply_server.h"
#include "support/socket.h"
#include "tessel/tessel.h"

namespace {

using fuzzing::require;
using fuzzing::ScriptedReply;

const char serverAddress[] = "127.0.90.1";
const std::string server = serverAddress;
constexpr std::size_t maxBody = 600 * 1024;
// How far past its time limit a call may end on a busy machine.
constexpr int slackMilliseconds = 2000;

// Reads the input from the front; past its end every read gives zeros.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : at_(data), end_(data + size) {}

    unsigned byte() { return at_ < end_ ? *at_++ : 0u; }
    unsigned number()
    {
        const unsigned low = byte();
        return low | byte() << 8;
    }
    std::string text() { return take(byte()); }
    std::string blob() { return take(number()); }
    template <class T, std::size_t N>
    const T& pick(const T (&table)[N])
    {
        return table[byte() % N];
    }

private:
    std::string take(std::size_t n)
    {
        n = std::min<std::size_t>(n, static_cast<std::size_t>(end_ - at_));
        std::string bytes(reinterpret_cast<const char*>(at_), n);
        at_ += n;
        return bytes;
    }

    const std::uint8_t* at_;
    const std::uint8_t* end_;
};

// Header lines from the input keep to one line and never change how the
// body is framed: that is the script's to decide, so that the body a client
// should store is known.
std::string headerLine(std::string line)
{
    std::string folded;
    for (char c : line)
        if (c != '\r' && c != '\n')
            folded += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (folded.find("transfer-encoding") != std::string::npos)
        return "X-Dropped: 1";
    line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }),
               line.end());
    return line;
}

std::string address(Reader& in)
{
    static const char* const extensions[] = {".png",   ".jpg",   ".PNG", ".jpeg", ".png?a=b",
                                             ".png#f", ".jpg/x", ".gif", "",      ".pn"};
    static const std::string hosts[] = {server,       server + ":80", server + ":8080", "a@" + server,
                                        server + ".", "localhost",    "127.0.0.1",      "[::1]",
                                        "",           "0x7f005a01"};
    switch (in.byte() % 4) {
    case 0: {
        std::string path = in.text();
        return "http://" + server + "/" + path + in.pick(extensions);
    }
    case 1: {
        std::string host = in.pick(hosts);
        std::string path = in.text();
        return "http://" + host + "/" + path + in.pick(extensions);
    }
    case 2:
        return in.text();
    default:
        return "http://" + server + in.text();
    }
}

std::string location(Reader& in)
{
    switch (in.byte() % 8) {
    case 0:
        return "/" + in.text() + ".png";
    case 1:
        return "http://" + server + "/" + in.text() + ".jpg";
    case 2:
        return "http://" + server + ":80/" + in.text();
    case 3:
        return "//" + server + "/" + in.text();
    case 4:
        return headerLine(in.text());
    case 5:
        return "http://127.0.0.1/x.png";
    case 6:
        return "https://" + server + "/x.png";
    default:
        return "file:///etc/passwd";
    }
}

std::string hex(std::size_t n, bool upper, bool zeros)
{
    char digits[32];
    std::snprintf(digits, sizeof digits, upper ? "%s%zX" : "%s%zx", zeros ? "000" : "", n);
    return digits;
}

// The body in chunks of the sizes the input lists (one chunk without a
// list), written in the style it asks for.
std::string chunked(Reader& in, const std::string& body, const std::string& eol)
{
    const unsigned style = in.byte();
    const bool upper = style & 1, zeros = style & 2, extensions = style & 4, trailer = style & 8,
               unterminated = style & 16;
    const std::string sizes = in.text();
    std::string framed;
    for (std::size_t at = 0, i = 0; at < body.size(); ++i) {
        std::size_t n =
            sizes.empty() ? body.size() : static_cast<unsigned char>(sizes[i % sizes.size()]) + 1u;
        n = std::min(n, body.size() - at);
        framed += hex(n, upper, zeros) + (extensions ? ";x=y" : "") + eol;
        framed.append(body, at, n);
        framed += eol;
        at += n;
    }
    if (!unterminated)
        framed += "0" + eol + (trailer ? "X-Trailer: t" + eol : "") + eol;
    return framed;
}

ScriptedReply reply(Reader& in)
{
    static const int statuses[] = {200, 200, 200, 206, 301, 302, 303, 307, 308, 300,  304, 204,
                                   205, 404, 500, 100, 101, 103, 199, 0,   99,  1000, -1,  200};
    static const char* const versions[] = {"HTTP/1.1", "HTTP/1.1", "HTTP/1.0", "HTTP/1.2",
                                           "HTTP/2",   "HTTP/0.9", "http/1.1", "HTTP/1.1 "};
    static const char* const fixedHeaders[] = {"Content-Type: image/png",    "Connection: close",
                                               "Connection: keep-alive",     "Keep-Alive: timeout=5, max=100",
                                               "Content-Encoding: gzip",     "Set-Cookie: a=b; Path=/",
                                               "Content-Range: bytes 0-9/10"};
    static const int milliseconds[] = {0, 0, 0, 0, 0, 1, 5, 20, 50};
    enum Framing { byLength, byChunks, byClose, unframed, byOtherLength };

    ScriptedReply r;
    const int status = in.pick(statuses);
    const std::string version = in.pick(versions);
    const std::string reason = headerLine(in.text());
    const unsigned flags = in.byte();
    const std::string eol = (flags & 1) ? "\n" : "\r\n";
    const bool interim = flags & 2, cut = flags & 4;
    const ScriptedReply::End ends[] = {ScriptedReply::keepOpen, ScriptedReply::close, ScriptedReply::reset,
                                       ScriptedReply::close};
    r.end = ends[(flags >> 3) & 3];
    r.delayMilliseconds = in.pick(milliseconds);
    r.pauseMilliseconds = in.pick(milliseconds);
    const Framing framing = static_cast<Framing>(in.byte() % 5);

    // Status line and headers; a status of -1 stands for a line from the input.
    std::string head = interim ? "HTTP/1.1 100 Continue" + eol + eol : "";
    head += status < 0 ? headerLine(in.text()) : version + " " + std::to_string(status) + " " + reason;
    head += eol;
    bool lengthHeader = false, rawHeader = false;
    for (unsigned n = in.byte() % 6; n > 0; --n) {
        const unsigned kind = in.byte() % 11;
        if (kind < 7) {
            head += fixedHeaders[kind];
        } else if (kind == 7 || kind == 8) {
            head += "Location: " + location(in);
        } else if (kind == 9) {
            head += "Content-Length: " + std::to_string(in.number());
            lengthHeader = true;
        } else {
            // An empty line would end the head here.
            const std::string line = headerLine(in.text());
            head += line.empty() ? "X-Empty:" : line;
            rawHeader = true;
        }
        head += eol;
    }

    std::string body = in.blob();
    const unsigned repeat = in.pick({1u, 1u, 1u, 1u, 2u, 64u, 4096u, 32768u});
    if (!body.empty()) {
        const std::size_t times = std::min<std::size_t>(repeat, maxBody / body.size());
        std::string repeated;
        repeated.reserve(body.size() * times);
        for (std::size_t i = 0; i < times; ++i)
            repeated += body;
        body.swap(repeated);
    }
    r.body = body;
    r.bodyKnown = status >= 200;
    switch (framing) {
    case byLength:
        head += "Content-Length: " + std::to_string(body.size()) + eol;
        break;
    case byChunks:
        head += "Transfer-Encoding: chunked" + eol;
        break;
    case byClose:
        head += "Connection: close" + eol;
        break;
    case unframed:
        break;
    case byOtherLength:
        head += "Content-Length: " + std::to_string(in.number()) + eol;
        break;
    }
    r.wire = head + eol + (framing == byChunks ? chunked(in, body, eol) : body);
    r.sendUpTo = cut ? in.number() % (r.wire.size() + 1) : r.wire.size();

    // A connection stays open only after a reply that a client reads to its
    // end without waiting for more; any other reply ends with the
    // connection, so that it never keeps the client waiting.
    const bool framed = framing == byLength || framing == byChunks;
    const bool bodyExpected = status >= 200 && status != 204 && status != 304;
    const bool plainHead = status >= 0 && (version == "HTTP/1.1" || version == "HTTP/1.0");
    if (r.end == ScriptedReply::keepOpen &&
        !(framed && bodyExpected && plainHead && !cut && !lengthHeader && !rawHeader))
        r.end = ScriptedReply::close;
    return r;
}

// What the library announced during the call.
struct Announcement {
    int code;
    std::string data;
};
std::vector<Announcement> announced;

void record(int code, const char* data, int length, std::int64_t user)
{
    require(user == 7);
    fuzzing::checkBuffer(data, length);
    announced.push_back({code, std::string(data, static_cast<std::size_t>(length))});
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> entriesUnder(const std::string& directory)
{
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory))
        entries.insert(entry.path().string());
    return entries;
}

struct Scene {
    std::string scratch = fuzzing::scratchDir();
    std::string cache = scratch + "/cache";
    std::set<std::string> fixed;  // the scratch directory's entries before any download
    fuzzing::ReplyServer server{serverAddress};
};

Scene& scene()
{
    static Scene* made = [] {
        fuzzing::initLibrary();
        require(fuzzing::allowOnly(serverAddress));
        TestSupport::setEnvironment("no_proxy", "*");
        auto* s = new Scene;
        s->fixed = entriesUnder(s->scratch);
        return s;
    }();
    return *made;
}

// The file holds the start, or all, of the body of a reply that was sent,
// or may hold what follows a reply whose body is not known.
bool fromServedReply(const std::string& file, const std::vector<ScriptedReply>& replies,
                     const std::vector<std::size_t>& served)
{
    for (std::size_t index : served) {
        const ScriptedReply& reply = replies[index];
        if (!reply.bodyKnown || reply.body.compare(0, file.size(), file) == 0)
            return true;
    }
    return false;
}

bool isRandomName(const std::string& name)
{
    static const std::string alphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@#$%^&()_[]{}~`";
    return name.size() >= 30 && name.find_first_not_of(alphabet) >= 30;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Scene& s = scene();
    Reader in(data, size);

    // The call, its limits and its addresses.
    const unsigned mode = in.byte() % 3;
    const std::uint64_t pictureLimit =
        in.pick({std::uint64_t(1) << 20, std::uint64_t(0), std::uint64_t(1), std::uint64_t(7),
                 std::uint64_t(100), std::uint64_t(1000), std::uint64_t(20480), std::uint64_t(20481)});
    // A step that fails is waited for until the call's time runs out, so the
    // time limits are short: the default one lets a small picture through.
    const std::uint32_t callMilliseconds = in.pick({30u, 1u, 5u, 15u, 60u, 120u, 250u});
    std::vector<std::string> addresses;
    for (unsigned n = 1 + in.byte() % 3; n > 0; --n)
        addresses.push_back(address(in));
    auto replies = std::make_shared<std::vector<ScriptedReply>>();
    for (unsigned n = in.byte() % 5; n > 0; --n)
        replies->push_back(reply(in));

    announced.clear();
    s.server.begin(replies);
    std::vector<std::string> stored;  // the paths of the downloads that succeeded
    const auto started = std::chrono::steady_clock::now();
    if (mode == 0) {
        Tessel::DownloadSettings settings;
        settings.setCacheDirectory(s.cache.c_str());
        settings.setLimits(Tessel::DownloadLimits{pictureLimit, callMilliseconds});
        const Tessel::Announcer announcer{record, 7};
        Tessel::ImageDownloader downloader;
        downloader.settings = &settings;
        downloader.announcer = &announcer;
        downloader.beginCall();
        for (const std::string& url : addresses) {
            std::string path;
            if (downloader.downloadImage(url, path))
                stored.push_back(path);
        }
    } else {
        require(Tessel::SetDownloadLimits(pictureLimit, callMilliseconds));
        std::string html = "<p>";
        for (const std::string& url : addresses)
            html += "<img src=\"" + url + "\">";
        std::string rewritten;
        require(mode == 1 ? Tessel::ParseHtml(html, record, 7, false)
                          : Tessel::ParseHtml2(rewritten, html, record, 7));
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
            .count();
    if (elapsed > callMilliseconds + slackMilliseconds) {
        std::fprintf(stderr, "the call took %lld ms, its limit was %u ms\n", static_cast<long long>(elapsed),
                     callMilliseconds);
        std::abort();
    }

    // What was announced: in a direct call, exactly the stored files, in
    // order; through a message, the pictures in the cache directory among
    // the message's other (local) pictures, each once.
    std::vector<std::string> inCache;
    for (const Announcement& a : announced) {
        require(a.code == 1 || a.code == 2);
        if (a.code == 2 && a.data.compare(0, s.cache.size() + 1, s.cache + "/") == 0)
            inCache.push_back(a.data);
    }
    if (mode == 0) {
        require(announced.size() == stored.size() && inCache == stored);
    } else {
        stored = inCache;
        require(std::set<std::string>(stored.begin(), stored.end()).size() == stored.size());
    }

    // Every stored file sits directly in the cache directory under a random
    // name and holds (the start of) a body the server sent; nothing else
    // appeared in the scratch directory.
    const std::vector<std::size_t> served = s.server.served();
    std::set<std::string> expected = s.fixed;
    for (const std::string& path : stored) {
        const std::filesystem::path p(path);
        require(p.parent_path() == s.cache && isRandomName(p.filename().string()));
        require(std::filesystem::is_regular_file(p));
        require(fromServedReply(contents(path), *replies, served));
        expected.insert(path);
    }
    require(entriesUnder(s.scratch) == expected);
    for (const std::string& head : s.server.requestHeads())
        require(head.compare(0, 4, "GET ") == 0);

    for (const std::string& path : stored)
        std::filesystem::remove(path);
    return 0;
}
