#include "library_outputs.h"

#include "support/callback_log.h"

namespace qtcheck {

using testsupport::callbackCalls;

LibraryOutputs runLibrary(const std::string& message)
{
    LibraryOutputs out;
    callbackCalls.clear();
    Tessel::ParseHtml(message, testsupport::recordCallback, 0, false);
    for (const testsupport::CallbackCall& call : callbackCalls) {
        if (call.code == 1)
            out.richText = call.data;
        else if (call.code == 2)
            out.announced.push_back(call.data);
    }
    callbackCalls.clear();
    Tessel::ParseHtml(message, testsupport::recordCallback, 0, true);
    if (!callbackCalls.empty() && callbackCalls.back().code == 1)
        out.resourceRichText = callbackCalls.back().data;

    Tessel::ParseHtml2(out.rewritten, message, nullptr, 0);
    Tessel::GetText(out.richText2);

    Tessel::ParseHtml_Orb(message);
    Tessel::GetBody(out.body);
    Tessel::GetImageVector(out.images);
    Tessel::HtmlFromBody(out.rebuilt, out.body, out.images);
    Tessel::EChTextFromBody(out.body, out.paragraph);
    return out;
}

}  // namespace qtcheck
