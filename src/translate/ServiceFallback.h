// A translation with the chosen service, and with Apertium on this computer when that service
// cannot answer: the text then goes to no other online service. Shared by the window and the
// command line, so both fall back alike and say alike why.
#pragma once

#include "TranslationService.h"

struct Translation
{
    ServiceReply reply;
    QString service;      // the service that answered, or the chosen one when none did
    QString fallbackFrom; // the chosen service when Apertium answered instead, else ""
    QString reason;       // why the chosen service did not answer, when another did
    // One line for the user: who answered and why, or why nothing came; "" when all is well.
    QString note;
};

namespace ServiceFallback {

// Whether the service's address is on this computer, so that it needs no network.
bool OnThisComputer(const ServiceSettings& service);
// Whether another service may answer where this reply failed: no reply, a rate limit, a
// quota, or a fault of the service itself.
bool Warrants(const ServiceReply& reply);
// online: whether the computer has a network; without one an online service is not asked.
Translation Translate(const ServiceSettings& chosen, const ServiceRequest& request, bool online);

} // namespace ServiceFallback
