// The rendering check of one message: every output of the library that the
// client shows is read by Qt and compared with Qt's reading of the message.
#pragma once

#include <QStringList>
#include <map>
#include <ostream>
#include <string>

#include "text_compare.h"

namespace qtcheck {

// The places, over many messages, where an output shows less separation
// between words than the message: what a reader of the client sees differ.
class Findings {
public:
    void add(const std::string& output, const TextComparison& comparison);
    void print(std::ostream& out) const;

private:
    struct Losses {
        int spaces = 0, breaks = 0, flattened = 0;
        QStringList examples;
    };
    std::map<std::string, Losses> losses;
};

// Runs the library over message (UTF-8) and checks its outputs with gtest
// expectations.
void checkMessage(const std::string& message, Findings& findings);

}  // namespace qtcheck
