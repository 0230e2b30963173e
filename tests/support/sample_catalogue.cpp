// SPDX-License-Identifier: MIT
#include "support/sample_catalogue.h"

namespace testsupport {

const char SampleCatalogueXml[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<face>\n"
    "  <clasic size=\"3\"><em id=\"1\">smile</em><em id=\"2\">wink</em><em id=\"3\">grin</em></clasic>\n"
    "  <other size=\"2\"><em id=\"4\">cake</em><em id=\"5\">rock &amp; roll</em></other>\n"
    "</face>\n";

}  // namespace testsupport
