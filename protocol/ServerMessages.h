// The texts that tell the user why the update server could not be asked.
#pragma once

#include <string>

namespace vantrel {

// No network connection, or the request got no response.
std::string ConnectionErrorMessage();
// An empty reply: the server does not serve this project at present.
std::string NotSupportedMessage();
// The reply failed its length or byte-sum check.
std::string BadDataMessage();
// The server's own error text (a kind-1 reply).
std::string ServerErrorMessage(const std::string& serverText);
// A reply of an unknown kind, or one whose contents cannot be used.
std::string IncorrectDataMessage();
// A reply that is to be shown or acted on whose signature could not be had
// (`fetched` false) or does not verify: nothing of it is used.
std::string UnverifiedReplyMessage(bool fetched);
// A failure raised while reading the reply, with its own message.
std::string SystemErrorMessage(const std::string& failure);

}  // namespace vantrel
