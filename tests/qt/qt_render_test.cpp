// The library's outputs read by Qt's rich-text engine: the sample messages,
// messages written by Qt itself, and a corpus of them when one is given.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <iostream>

#include "check_setup.h"
#include "message_check.h"
#include "support/corpus.h"
#include "qt_messages.h"
#include "rendering.h"
#include "support/temp_dir.h"

using namespace qtcheck;

namespace {

std::string readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << path.toStdString();
    return file.readAll().toStdString();
}

// Checks every file of dir that matches patterns, with every "http://" origin
// from replaced by to.
void checkFiles(const QDir& dir, const QStringList& patterns, Findings& findings,
                const QString& from = "", const QString& to = "")
{
    QStringList names = dir.entryList(patterns, QDir::Files, QDir::Name);
    ASSERT_FALSE(names.empty()) << "no message in " << dir.path().toStdString();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        QByteArray message = QByteArray::fromStdString(readFile(dir.filePath(name)));
        if (!from.isEmpty())
            message.replace(from.toUtf8(), to.toUtf8());
        checkMessage(message.toStdString(), findings);
    }
}

}  // namespace

// The bundled samples. Their remote picture is served by this test's server.
TEST(QtRendering, SampleMessages)
{
    CheckSetup::get();
    Findings findings;
    checkFiles(QDir(TESSEL_SOURCE_DIR "/data/messages"), {"*.html", "*.txt"}, findings,
               "http://127.0.0.1/", CheckSetup::get().origin() + "/");
    findings.print(std::cout);
}

// Messages that Qt wrote, made here so that every run covers them.
TEST(QtRendering, QtWrittenMessages)
{
    Findings findings;
    std::vector<std::string> messages = makeQtMessages(CheckSetup::get().assets(), 60, 20261206);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        SCOPED_TRACE("message " + std::to_string(i) + ":\n" + messages[i]);
        checkMessage(messages[i], findings);
    }
    findings.print(std::cout);
}

// A corpus of Qt messages named by TESSEL_QT_CORPUS: *.html files, and the
// message files (*.msgs) of the benchmark corpus.
TEST(QtRendering, Corpus)
{
    QString corpus = qEnvironmentVariable("TESSEL_QT_CORPUS");
    if (corpus.isEmpty())
        GTEST_SKIP() << "TESSEL_QT_CORPUS names no corpus directory";
    CheckSetup::get();
    Findings findings;
    QDir dir(corpus);
    for (const QString& name : dir.entryList({"*.msgs"}, QDir::Files, QDir::Name)) {
        SCOPED_TRACE(name.toStdString());
        for (const std::string& message : benchsupport::readMessages(dir.filePath(name).toStdString()))
            checkMessage(message, findings);
    }
    if (!dir.entryList({"*.html"}, QDir::Files).empty())
        checkFiles(dir, {"*.html"}, findings);
    findings.print(std::cout);
}

// Downloaded pictures are named with letters, digits and the marks
// "@#$%^&()_[]{}~`". Written into rich text as the library writes them, every
// such name must lead Qt to the file, although "#" and "%" mean something in
// an address.
TEST(QtRendering, CacheFileNamesReadBack)
{
    testsupport::TempDir dir;
    QFile sample(TESSEL_SOURCE_DIR "/data/pictures/sunset.png");
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    std::string bytes = sample.readAll().toStdString();
    for (const char* name : {"aZ09@#$%^&()_[]{}~`.png", "x%41y.png", "x#y.png", "x&lt&amp#1.png",
                             "~`{}[]()&^%$#@.jpg"}) {
        std::string path = dir.write(name, bytes);
        Rendering rendering = renderHtml(QString::fromStdString("<img src=\"" + path + "\"/>"));
        ASSERT_EQ(rendering.images.size(), 1u);
        EXPECT_TRUE(rendering.images[0].shownAsFile()) << name;
    }
}
