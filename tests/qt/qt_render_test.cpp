// SPDX-License-Identifier: MIT
// The library's outputs read by Qt's rich-text engine: the sample messages,
// messages written by Qt itself, and a corpus of them when one is given.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "base/markup.h"
#include "qt_check.h"
#include "support/corpus.h"

using namespace qtcheck;

namespace {

// Checks every file of dir that matches patterns, with the "http://" origin
// from replaced by to.
void checkFiles(const QDir& dir, const QStringList& patterns, const QString& from = "", const QString& to = "")
{
    const QStringList names = dir.entryList(patterns, QDir::Files, QDir::Name);
    ASSERT_FALSE(names.empty()) << "no message in " << dir.path().toStdString();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << "cannot read " << name.toStdString();
        QByteArray message = file.readAll();
        if (!from.isEmpty())
            message.replace(from.toUtf8(), to.toUtf8());
        checkMessage(message.toStdString());
    }
}

}  // namespace

// The bundled samples. Their remote picture is served by this test's server.
TEST(QtRendering, SampleMessages)
{
    checkFiles(QDir(TESSEL_SOURCE_DIR "/data/messages"), {"*.html", "*.txt"}, "http://127.0.0.1/",
               CheckSetup::get().origin + "/");
}

// Messages that Qt wrote, made here so that every run covers them: together
// they hold every construct of the client's editor, as Qt writes it.
TEST(QtRendering, QtWrittenMessages)
{
    const MessageAssets& assets = CheckSetup::get().assets;
    std::vector<std::string> messages = makeQtMessages(assets, 60, 20261206);
    std::string all;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        SCOPED_TRACE("message " + std::to_string(i) + ":\n" + messages[i]);
        checkMessage(messages[i]);
        all += messages[i];
    }
    const QStringList constructs = {"<h1",
                                    "<h2",
                                    "<h3",
                                    "align=\"right\"",
                                    "align=\"center\"",
                                    "-qt-paragraph-type:empty",
                                    "<li",
                                    "<td",
                                    "<a href=",
                                    "<br />",
                                    ":/Res/FaceMgr/em/",
                                    "src=\"file://",
                                    "width=",
                                    "&amp;amp;",
                                    "&lt;b&gt;",
                                    "\u00a0",
                                    "\t",
                                    "  ",
                                    " </span>",
                                    assets.remote.last(),
                                    assets.missing.first()};
    for (const QString& construct : constructs)
        EXPECT_NE(all.find(construct.toStdString()), std::string::npos)
            << "no message holds " << construct.toStdString();
}

// A corpus of Qt messages named by TESSEL_QT_CORPUS: *.html files, and the
// message files (*.msgs) of the benchmark corpus.
TEST(QtRendering, Corpus)
{
    QString corpus = qEnvironmentVariable("TESSEL_QT_CORPUS");
    if (corpus.isEmpty())
        GTEST_SKIP() << "TESSEL_QT_CORPUS names no corpus directory";
    CheckSetup::get();
    QDir dir(corpus);
    for (const QString& name : dir.entryList({"*.msgs"}, QDir::Files, QDir::Name)) {
        SCOPED_TRACE(name.toStdString());
        for (const std::string& message : benchsupport::readMessages(dir.filePath(name).toStdString()))
            checkMessage(message);
    }
    if (!dir.entryList({"*.html"}, QDir::Files).empty())
        checkFiles(dir, {"*.html"});
}

// Downloaded pictures are named with letters, digits and the marks
// "@#$%^&()_[]{}~`". Written into rich text as the library writes them, every
// such name must lead Qt to the file, although "#" and "%" mean something in
// an address.
TEST(QtRendering, CacheFileNamesReadBack)
{
    TestSupport::TempDir dir;
    const std::string bytes = TestSupport::readFile(TESSEL_SOURCE_DIR "/data/pictures/sunset.png");
    for (const char* name : {"aZ09@#$%^&()_[]{}~`.png", "x%41y.png", "x#y.png", "x&lt&amp#1.png",
                             "~`{}[]()&^%$#@.jpg", "q?.png", "\"quoted\".png"}) {
        std::string tag;
        Tessel::appendImageTag(tag, dir.write(name, bytes));
        Rendering rendering = renderHtml(tag);
        ASSERT_EQ(rendering.images.size(), 1u);
        EXPECT_TRUE(rendering.images[0].shownAsFile()) << name;
    }
}
