// SPDX-License-Identifier: MIT
#include "api/state.h"

namespace Tessel {

namespace {

std::atomic<bool> Taken{false};

}  // namespace

std::string RootPath;
std::atomic<RichTextParser*> RichParser{nullptr};
RichTextParser_Orb* BodyParser = nullptr;
std::atomic<EmoticonCache*> Catalogue{nullptr};
std::atomic<HtmlParser*> CurrentParser{nullptr};
DownloadSettings Downloads;

ExclusiveCall::ExclusiveCall() : held_(!Taken.exchange(true, std::memory_order_acquire)) {}

ExclusiveCall::~ExclusiveCall()
{
    if (held_)
        Taken.store(false, std::memory_order_release);
}

}  // namespace Tessel
