// A client of the installed library: only the public header and the shared
// library.
#include <iostream>

#include "tessel/tessel.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: client CATALOGUE\n";
        return 2;
    }
    Tessel::Init("", argv[1]);
    std::string body;
    Tessel::ParseHtml_Orb("<body>hi <img src=\":/Res/FaceMgr/em/1.png\"/></body>");
    Tessel::GetBody(body);
    std::cout << body << '\n' << Tessel::getClassicCount() << '\n';
    return 0;
}
