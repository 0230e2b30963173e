// SPDX-License-Identifier: MIT
#include "corpus/vocabulary.h"

#include <iterator>

namespace {

const char* const Words[] = {
    "ok",       "thanks", "the",     "meeting", "is",     "moved",    "to",    "three",   "pm",      "see",
    "you",      "there",  "can",     "someone", "check",  "build",    "log",   "please",  "I",       "think",
    "we",       "should", "ship",    "it",      "today",  "tomorrow", "lunch", "anyone",  "coffee",  "great",
    "work",     "on",     "release", "notes",   "review", "my",       "patch", "when",    "free",    "yes",
    "no",       "maybe",  "later",   "sounds",  "good",   "sorry",    "late",  "traffic", "again",   "lol",
    "deadline", "Friday", "server",  "down",    "back",   "up",       "now",   "fixed",   "thanks!", "cool"};

const char* const Chinese[] = {"你好",         "谢谢",     "好的",     "没问题",         "明天见",
                               "今天下午开会", "我马上到", "辛苦了",   "收到",           "请看一下这个文件",
                               "哈哈哈",       "吃饭了吗", "周末愉快", "这个版本有问题", "已经修好了",
                               "稍等一下",     "我在路上", "太棒了",   "不好意思",       "大家早上好"};

const char* const Emoji[] = {"😀", "😂", "👍", "🎉", "🙏", "❤️", "😅", "🔥", "👀", "✅"};

const char* const EscapedTexts[] = {
    "Tom & Jerry", "a < b",       "x > y",         "say \"hi\"",      "R&D",
    "<draft>",     "if (a && b)", "5 > 3 & 2 < 4", "\"quoted\" text", "Q&A at 3"};

const char* const TrickyTexts[] = {"Good morning!",
                                   "The build is green again",
                                   "see you at 10",
                                   "5 < 7 and 7 > 5",
                                   "\"quoted\" and 'single'",
                                   "a&amp;b stays as typed",
                                   "<b>not a tag</b>",
                                   "caf\u00e9 na\u00efve Gr\u00fc\u00dfe",
                                   "\u4f60\u597d\uff0c\u4e16\u754c",
                                   "\u5fae\u7b11",
                                   "\U0001F389",
                                   "\U0001F44D\U0001F3FD thanks",
                                   "x\u00a0y",
                                   "two  spaces",
                                   "tab\there",
                                   "AT&T",
                                   "&lt;3",
                                   "100%",
                                   "end."};

const char* const Colours[] = {"#ff0000", "#0000ff", "#008000", "#aa00ff", "#ff5500", "#555555"};

struct List {
    const char* const* entries;
    int size;
};

template <int N>
constexpr List list(const char* const (&entries)[N])
{
    return {entries, N};
}

// In the order of Vocabulary.
const List Lists[] = {list(Words),        list(Chinese),     list(Emoji),
                      list(EscapedTexts), list(TrickyTexts), list(Colours)};
static_assert(std::size(Lists) == static_cast<std::size_t>(Vocabulary::colours) + 1);

}  // namespace

const char* pick(benchsupport::Random& random, Vocabulary vocabulary)
{
    const List& chosen = Lists[static_cast<int>(vocabulary)];
    return chosen.entries[random.below(chosen.size)];
}
