// SPDX-License-Identifier: MIT
/// @file
/// The one header a client includes: the exported functions of Tessel, the
/// result callback, the pair lists, and the emoticon catalogue.
///
/// @code
/// #include <tessel/tessel.h>   // with -I PREFIX/include
/// @endcode
#pragma once

#include <cstdint>
#include <string>

#include "tessel/EmoticonCache.h"
#include "tessel/export.h"
#include "tessel/types.h"
#include "tessel/version.h"

/// Every function of Tessel's interface.
///
/// All text is passed as byte strings, with no code-page conversion: the
/// library writes UTF-8 where it makes characters (from character references
/// such as `&amp;eacute;`) and reads paths as UTF-8. Results come back through
/// out-parameters, return values and the ParseCallback.
///
/// Threads: ParseHtml, SetCachePath, SetDownloadLimits and the catalogue
/// readers (EChStructFromIndex, IsClassicECh, EChPathFromName,
/// EChPathFromId, getClassicPtr, getOtherPtr, getClassicCount,
/// getOtherCount) may be called from any thread at any time. Every other
/// function uses the library-wide parsers: such calls must not overlap one
/// another nor come from inside a callback; a call that would is refused:
/// it returns false and does nothing.
namespace Tessel {

/// Creates the library's parsers and loads the emoticon catalogue.
///
/// @param root      kept for compatibility and not used; may be null.
/// @param catalogue the path of the catalogue file "emo.dat" (UTF-8). When it
///                  is null, empty, missing, a directory or an empty file,
///                  "Resource/emo.dat" beside the running program's
///                  executable is read instead, without saying so.
/// @return true; false when the call was refused (it overlapped another call
///         of the parser group, or came from a callback).
/// @throws std::runtime_error "error reading stream" when the catalogue
///         cannot be opened or read.
/// @throws rapidxml::parse_error (a std::exception whose what() names the
///         fault) when the catalogue is not well-formed XML.
/// @throws std::bad_alloc when a group's size cannot be held.
///
/// Catch std::exception: after an exception the parsers exist (every
/// conversion works, without emoticons) and the next Init tries the
/// catalogue again. Once a catalogue is loaded, later calls keep it: the
/// library has no way to reload or unload it. The parsers and the catalogue
/// live until the process ends.
///
/// Example: `Tessel::Init("", "/usr/share/tessel/emo.dat");`
TESSEL_API bool Init(const char* root, const char* catalogue);

/// Names the directory into which pictures of "http://" addresses are
/// downloaded.
///
/// @param path the directory (UTF-8), created with its parents on the first
///             download when missing. Null clears it. A path of 260 bytes or
///             more is refused and the previous one stays.
/// @return false, always: also on success.
///
/// Files in it get new random names and are never removed by the library:
/// clean the directory yourself. When the directory cannot be created, the
/// library prints one line on standard output ("create directory '...'
/// failed, errno=N"), its only output. Safe from any thread at any time;
/// downloads that start afterwards use the new directory.
///
/// Example: `Tessel::SetCachePath("/home/me/.cache/mychat/pictures");`
TESSEL_API bool SetCachePath(const char* path);

/// Limits the downloads of pictures.
///
/// @param maxPictureBytes     the most bytes one picture may have; 0 means
///                            no limit. Default: 64 MiB.
/// @param maxCallMilliseconds the most time all the downloads of one call
///                            may take together; 0 means no limit. Default:
///                            30,000 ms.
/// @return true.
///
/// A picture stopped by a limit, or whose write to disk fails, leaves no
/// file, is not announced through the callback, and counts as a failed
/// download: its image tag is dropped like one of a missing file. Safe from
/// any thread at any time; applies to downloads that start after it returns.
///
/// Example: `Tessel::SetDownloadLimits(8 << 20, 5000);`
TESSEL_API bool SetDownloadLimits(std::uint64_t maxPictureBytes, std::uint32_t maxCallMilliseconds);

/// Converts a message into text for display, delivered through the callback.
///
/// The result, given once with code 1 at the end of the call, takes one of
/// two forms, and only the message tells which:
/// - a message without any `<` or `>` gives **plain text**: the message with
///   its character references decoded (`Tom &amp;amp; Jerry` gives
///   `Tom & Jerry`) and its leading white space removed. It is not markup.
/// - any other message gives **Qt rich text**: the visible text with its
///   character references left as written (Qt decodes them), a Qt paragraph
///   (`<p style="...">`) at each p, div, br and h1 to h6 start tag, and each
///   picture that can be shown as `<img src="PATH"/>`. All other markup
///   (styles, fonts, spans, tables, links, other attributes of pictures) is
///   dropped, and so are scripts and style sheets.
///
/// Either way the leading white space of each run of text is dropped, so
/// words that only white space separated from markup run together:
/// `<b>Tom</b> says` gives `Tomsays`. Trailing white space stays. A message
/// whose first angle bracket is `>` (it starts inside a tag) loses
/// everything up to it: `a > b` gives `b`.
///
/// Pictures: a Qt resource (":/...") is kept as it is; a local path or
/// "file:///" address is kept when it names an existing file; an "http://"
/// address whose last dot starts ".jpg" or ".png" is downloaded from port
/// 80 into the cache directory (SetCachePath) while the call waits, and the
/// tag then points at the new file; every other picture (missing files,
/// failed downloads, "https://" and other schemes) is dropped. Paths are
/// escaped in the markup so that Qt reads back the very file: `%`, `#` and
/// `?` become `%25`, `%23` and `%3F`, then `&`, `<`, `>` and the double
/// quote become character references. Each distinct picture kept is announced once, raw, with code
/// 2 before the text.
///
/// @param html               the message's bytes.
/// @param callback           receives code 2 for each picture and code 1 for
///                           the text; null disables both.
/// @param user               handed back to every callback of this call.
/// @param resourceImagesOnly keep only Qt resource pictures (":/..."); every
///                           other picture is dropped and nothing is
///                           downloaded.
/// @return false before Init (no callback is made), true otherwise.
///
/// Any number of threads may call it at once; each call's callbacks run on
/// its own thread, inside the call, with its own @p user. It may also be
/// called from a callback. It does not change what GetText returns.
///
/// Example: `Tessel::ParseHtml(html, onResult, reinterpret_cast<std::int64_t>(&view), false);`
TESSEL_API bool ParseHtml(const std::string& html, ParseCallback callback, std::int64_t user,
                          bool resourceImagesOnly);

/// Rewrites a message so that its pictures point at local files, and makes
/// its Qt rich text.
///
/// @param out      receives the message's HTML as given, with each picture
///                 tag that was kept replaced by `<img src="PATH"/>` (the
///                 tag's other attributes are lost), the tags of missing
///                 local files and of other schemes ("https://") removed,
///                 and the tags of failed "http://" downloads left as
///                 written. Untouched when the call returns false.
/// @param html     the message's bytes.
/// @param callback receives code 2 for each picture kept (no code 1); may be
///                 null.
/// @param user     handed back to every callback of this call.
/// @return false before Init or when refused, true otherwise.
///
/// Pictures are resolved, downloaded and escaped as ParseHtml does. The
/// message's rich text is then available from GetText; unlike ParseHtml's
/// result it is rich text even for a message without markup, with character
/// references left as written. Not to be overlapped with the other calls of
/// the parser group, nor called from a callback.
///
/// Example: `Tessel::ParseHtml2(local, html, onResult, 0); Tessel::GetText(rich);`
TESSEL_API bool ParseHtml2(std::string& out, const std::string& html, ParseCallback callback,
                           std::int64_t user);

/// Copies the text of the last conversion: the rich text of the last
/// ParseHtml2, or, when ParseHtml_Orb ran since, the body conversion's
/// text (emoticons written as "[name]").
///
/// @param out receives the text; untouched before the first conversion.
/// @return false, always: also after a successful copy. Tell success by the
///         content of @p out.
///
/// ParseHtml's result never comes back here. After ParseHtml_Orb, the
/// results of EChTextFromBody and HtmlFromBody are what it copies. Not to be
/// overlapped with the other calls of the parser group.
TESSEL_API bool GetText(std::string& out);

/// Copies the body of the last conversion: the rewritten HTML of the last
/// ParseHtml2, or, when ParseHtml_Orb ran since, the message body.
///
/// @param out receives the body; untouched before the first conversion.
/// @return false, always: also after a successful copy.
///
/// Example: `Tessel::ParseHtml_Orb(html); Tessel::GetBody(body);`
TESSEL_API bool GetBody(std::string& out);

/// The catalogue record at an overall index.
///
/// @param index the overall index: the classic records first (0 to
///              getClassicCount() - 1), then the other records.
/// @return the record, or null for an index outside the catalogue or while
///         no catalogue is loaded. The record belongs to the library and
///         lives until the process ends: do not free or change it.
///
/// Example: `if (EMOSTRUCT* e = Tessel::EChStructFromIndex(0)) use(e->name);`
TESSEL_API EMOSTRUCT* EChStructFromIndex(int index);

/// Whether a picture number belongs to the classic group.
///
/// @param name text whose leading decimal number (an optional sign and
///             digits, as atoi reads it; 0 when there are none) is compared
///             with the classic group's size.
/// @return whether that number is at most getClassicCount(); so a name
///         without digits, or with a negative number, counts as classic.
///         False while no catalogue is loaded.
///
/// Example: `Tessel::IsClassicECh("3.png")` is true when the classic group
/// has at least 3 records.
TESSEL_API bool IsClassicECh(const std::string& name);

/// The image tag of a catalogue emoticon, looked up by its name.
///
/// @param name the emoticon's name, compared byte for byte (case and white
///             space count).
/// @return a whole tag, not a path: `<img src=":/Res/FaceMgr/em/<id>.png"/>`;
///         an empty string for an unknown name or while no catalogue is
///         loaded.
///
/// Example: `Tessel::EChPathFromName("smile")` gives
/// `<img src=":/Res/FaceMgr/em/1.png"/>` with the sample catalogue.
TESSEL_API std::string EChPathFromName(const std::string& name);

/// The Qt resource path of an emoticon id, ":/Res/FaceMgr/em/<id>.png",
/// without looking the id up.
///
/// @param id read up to its first NUL byte; a path over 259 bytes is cut.
/// @return the path; an empty string while no catalogue is loaded.
///
/// Example: `Tessel::EChPathFromId("7")` gives `:/Res/FaceMgr/em/7.png`.
TESSEL_API std::string EChPathFromId(const std::string& id);

/// The classic group's records: an array of getClassicCount() records.
///
/// @return the array, or null when the catalogue has no classic group or no
///         catalogue is loaded. It belongs to the library and lives until
///         the process ends: read it, do not free or change it.
///
/// Example: `for (int i = 0; i < Tessel::getClassicCount(); ++i) show(Tessel::getClassicPtr()[i]);`
TESSEL_API EMOSTRUCT* getClassicPtr();

/// The other group's records: an array of getOtherCount() records.
///
/// @return the array, or null when the catalogue has no other group or no
///         catalogue is loaded. Same lifetime as getClassicPtr().
TESSEL_API EMOSTRUCT* getOtherPtr();

/// The number of classic records.
///
/// @return the group's "size" in the file (records without an entry there
///         have an empty id and name); 0 when there is no such group or no
///         catalogue.
TESSEL_API int getClassicCount();

/// The number of other records.
///
/// @return the group's "size" in the file; 0 when there is no such group or
///         no catalogue.
TESSEL_API int getOtherCount();

/// Converts a message into a compact body with reference tags, and lists
/// what the references stand for.
///
/// The body, read with GetBody, is the message's body element (from its
/// first "<body" to its last "</body>"; a message without one is taken
/// whole), headed by a title div made of the strings of SetCustomHead:
/// @code{.html}
/// <body><div id="title_div"><h1 id="title">T</h1><span id="sender">S</span><span id="date">D</span></div>...</body>
/// @endcode
/// In it each catalogue emoticon (":/.../<n>.png", the record at overall
/// index n-1) becomes `<img id="<name>"/>` and each existing local picture
/// `<img id="<key>"/>`, where the key is the 32 lowercase hexadecimal digits
/// of the MD5 of the picture's source. Nothing is downloaded: "http://"
/// pictures, missing files and unknown emoticons stay as written. A replaced
/// tag runs to the next "/>" of the message, so a picture tag written
/// without "/>" takes the markup up to the next "/>" with it. The rest is
/// copied byte for byte.
///
/// GetText then gives the message's text without markup, emoticons written
/// as "[name]"; GetEChVector and GetImageVector give the lists.
///
/// @param html the message's bytes.
/// @return false before Init or when refused, true otherwise.
///
/// Not to be overlapped with the other calls of the parser group, nor
/// called from a callback.
///
/// Example: `Tessel::ParseHtml_Orb(html); Tessel::GetBody(body); Tessel::GetImageVector(images);`
TESSEL_API bool ParseHtml_Orb(const std::string& html);

/// Sets the three strings of the title div of the bodies that ParseHtml_Orb
/// makes from now on.
///
/// They are inserted byte for byte, without escaping: escape them yourself
/// when they may hold markup. They stay until the next call.
///
/// @param title  the text of the div's h1 element (id "title").
/// @param sender the text of its span with id "sender".
/// @param date   the text of its span with id "date".
/// @return false before Init or when refused, true otherwise.
///
/// Example: `Tessel::SetCustomHead("Team chat", "Ann", "2026-12-06 09:30");`
TESSEL_API bool SetCustomHead(const std::string& title, const std::string& sender, const std::string& date);

/// The emoticon list of the last body conversion: one pair (name, "[name]")
/// per distinct emoticon, in order of first occurrence.
///
/// @param out replaced with the list.
/// @return false before Init or when refused, true otherwise.
///
/// HtmlFromBody and EChTextFromBody start their own lists, so after them
/// the list holds what they met (normally nothing).
TESSEL_API bool GetEChVector(StringPairList& out);

/// The image list of the last body conversion: one pair (image key, local
/// path) per picture occurrence in document order, repeats included. Paths
/// are raw, as given in the message (without a "file:///" prefix).
///
/// @param out replaced with the list; pass it to HtmlFromBody to rebuild the
///            message.
/// @return false before Init or when refused, true otherwise.
TESSEL_API bool GetImageVector(StringPairList& out);

/// Makes one Qt paragraph of a body's text, with emoticons shown as images.
///
/// @param source a body from ParseHtml_Orb (or any HTML).
/// @param out    receives `<p style="...">`, the text of @p source with each
///               emoticon reference replaced by its catalogue image tag and
///               picture references left out, then `</p>`. The title div is
///               not removed: its title, sender and date come first.
/// @return true, also before Init (@p out is then untouched); false only
///         when refused.
///
/// Example: `Tessel::EChTextFromBody("<body>Hi <img id=\"smile\"/></body>", line);`
TESSEL_API bool EChTextFromBody(const std::string& source, std::string& out);

/// Rebuilds displayable HTML from a body.
///
/// @param out    receives @p source without its title div, with each
///               emoticon reference replaced by the catalogue's image tag
///               and each picture reference by `<img src="PATH"/>` with the
///               path of its key in @p images (escaped as ParseHtml
///               escapes paths). References that resolve neither way stay
///               as written; the rest is copied byte for byte.
/// @param source a body from ParseHtml_Orb.
/// @param images (image key, local path) pairs, normally the GetImageVector
///               list of the conversion that made the body; the first pair
///               of a key wins. Used for this call only.
/// @return false before Init or when refused, true otherwise.
///
/// Example: `Tessel::HtmlFromBody(html, body, images);`
TESSEL_API bool HtmlFromBody(std::string& out, const std::string& source, const StringPairList& images);

}  // namespace Tessel
