// SPDX-License-Identifier: MIT
// A client of the installed library: only <tessel/tessel.h> and the library.
// Prints the library's version, the body of a message with an emoticon and
// the catalogue's size; a catalogue that cannot be loaded is an error.
#include <exception>
#include <iostream>

#include <tessel/tessel.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: client CATALOGUE\n";
        return 2;
    }
    try {
        Tessel::Init("", argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "client: " << e.what() << '\n';
        return 1;
    }
    std::string body;
    Tessel::ParseHtml_Orb("<body>hi <img src=\":/Res/FaceMgr/em/1.png\"/></body>");
    Tessel::GetBody(body);
    std::cout << TESSEL_VERSION_STRING << '\n' << body << '\n' << Tessel::getClassicCount() << '\n';
    return 0;
}
