// SPDX-License-Identifier: MIT
// Reading the generated corpus. A message file holds messages one after the
// other, each as its decimal byte count, a line feed, the bytes and another
// line feed, so that it stays readable in an editor.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace benchsupport {

// The corpus directory: $TESSEL_CORPUS, else the one the build configured.
std::string corpusDir();
std::string corpusFile(const std::string& name);

std::string readFile(const std::string& path);
std::vector<std::string> readMessages(const std::string& path);

// Appends one message in the message-file format.
void appendMessage(std::string& file, const std::string& message);

std::size_t totalBytes(const std::vector<std::string>& messages);

// The messages of a corpus file, read once: a message file (".msgs") gives
// its messages, any other file is one message.
const std::vector<std::string>& corpusMessages(const std::string& name);

// The messages of a corpus file with every '&' turned into '+': the same
// text without a single character reference.
const std::vector<std::string>& corpusWithoutAmpersands(const std::string& name);

// The messages a benchmark runs over, by the last part of its name: "qt",
// "plain", "short" and "dense" are the message files, "large" the 1 MB
// message, "no_amp" and "no_amp_short" the dense and the short messages
// without '&', and "fixed16" one message of 16 bytes without markup or
// references, which measures the fixed cost of a call.
const std::vector<std::string>& messagesOf(const std::string& corpus);

}  // namespace benchsupport
