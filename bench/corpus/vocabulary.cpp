#include "corpus/vocabulary.h"

namespace {

const char* const Words[] = {
    "ok", "thanks", "the", "meeting", "is", "moved", "to", "three", "pm", "see", "you",
    "there", "can", "someone", "check", "build", "log", "please", "I", "think", "we",
    "should", "ship", "it", "today", "tomorrow", "lunch", "anyone", "coffee", "great",
    "work", "on", "release", "notes", "review", "my", "patch", "when", "free", "yes",
    "no", "maybe", "later", "sounds", "good", "sorry", "late", "traffic", "again", "lol",
    "deadline", "Friday", "server", "down", "back", "up", "now", "fixed", "thanks!", "cool"};

const char* const Chinese[] = {
    "你好", "谢谢", "好的", "没问题", "明天见", "今天下午开会", "我马上到", "辛苦了", "收到",
    "请看一下这个文件", "哈哈哈", "吃饭了吗", "周末愉快", "这个版本有问题", "已经修好了",
    "稍等一下", "我在路上", "太棒了", "不好意思", "大家早上好"};

template <typename T, int N>
constexpr int countOf(T (&)[N])
{
    return N;
}

}  // namespace

const char* randomWord(benchsupport::Random& random)
{
    return Words[random.below(countOf(Words))];
}

const char* randomChinese(benchsupport::Random& random)
{
    return Chinese[random.below(countOf(Chinese))];
}
