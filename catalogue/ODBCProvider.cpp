// ODBCProvider — the start-up check of the database engine (see ODBCProvider.h).
#include "catalogue/ODBCProvider.h"

#include <exception>
#include <string>

#include "app/Product.h"
#include "app/Text.h"
#include "platform/Ado.h"
#include "platform/Failure.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

namespace calvenor {
namespace {

std::string providerHelp() {
    const char* pieces[] = {
        "Error #3706: Provider cannot be found. It may not be properly installed.",
        "You are getting this error because:",
        "1. Microsoft Access is not installed on your computer.",
        "2. A set of Microsoft components to transfer data is not installed on your computer.",
        "You need to download and install Microsoft Access Database Engine 2010 or 2016 to solve this "
        "problem.",
        "Would you like me to open the Microsoft site now so you can do this?",
    };
    std::string help;
    for (const char* piece : pieces) help += std::string{piece} + "\r\n\r\n";
    return help + "(If you have any further questions please email a screenshot of this error message to " +
           product::kSupportEmail + ")";
}

// Each page is tried; one that does not open does not keep the other from opening.
void openQuietly(platform::Shell& shell, const char* address) {
    try {
        shell.openWebPage(address);
    } catch (const std::exception&) {
    }
}

}  // namespace

bool CheckDataProvider(platform::ado::Ado& ado, platform::Ui& ui, platform::Shell& shell) {
    long number = 0;
    std::string description;
    try {
        ado.createConnection();
        return true;
    } catch (const platform::Failure& failure) {
        number = failure.number();
        description = failure.description();
    } catch (const std::exception& failure) {
        description = failure.what();
    }
    try {
        if (number == platform::ado::kProviderNotFound ||
            lowerCase(description).find("provider cannot be found") != std::string::npos) {
            if (ui.messageBox(providerHelp(), "", platform::MessageButtons::YesNo,
                              platform::MessageIcon::None) == platform::MessageAnswer::Yes) {
                openQuietly(shell, product::kAccessEngine2010Download);
                openQuietly(shell, product::kAccessEngine2016Download);
            }
        } else {
            // Ending without a word would leave the user wondering why nothing happened.
            ui.messageBox(description, "", platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
        }
    } catch (const std::exception&) {
        // Nothing more can be said; the answer stays false.
    }
    return false;
}

}  // namespace calvenor
