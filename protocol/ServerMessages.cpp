#include "protocol/ServerMessages.h"

#include "core/BuildConfig.h"

namespace vantrel {

std::string ConnectionErrorMessage() {
    return "Internet connection error.\r\nCould not read data from Vantrel Server\r\n"
           "Please check internet connection or try again later.";
}

std::string NotSupportedMessage() {
    return "Vantrel Server information\r\nCurrent product is not supported at the moment.\r\n"
           "Please try again later or visit official web site for more information.";
}

std::string BadDataMessage() {
    return "Vantrel Server error.\r\nBad data returned\r\n"
           "Please check internet connection or try again later.\r\n"
           "If problem persists, please email this error to " +
           SupportEmail();
}

std::string ServerErrorMessage(const std::string& serverText) {
    return "Vantrel Server error.\r\n" + serverText +
           "\r\nPlease check internet connection or try again later.";
}

std::string IncorrectDataMessage() {
    return "Vantrel Server error.\r\nIncorrect data returned\r\nPlease email this error to " +
           SupportEmail();
}

std::string UnverifiedReplyMessage(bool fetched) {
    return std::string("Vantrel Server error.\r\n") +
           (fetched ? "The server's reply could not be verified"
                    : "The signature of the server's reply could not be read") +
           "\r\nPlease check internet connection or try again later.\r\n"
           "If problem persists, please email this error to " +
           SupportEmail();
}

std::string SystemErrorMessage(const std::string& failure) {
    return "System error.\r\n" + failure + "\r\nPlease email this error to " + SupportEmail();
}

}  // namespace vantrel
