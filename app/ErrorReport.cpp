#include "app/ErrorReport.h"

#include "app/Product.h"
#include "platform/Ui.h"

namespace calvenor {

std::string ErrorReport::text(std::string_view description, std::string_view location, int step) {
    std::string report{description};
    report += "\r\n";
    report += location;
    report += "at line ";
    report += std::to_string(step);
    report += "\r\r";
    report += "Please email screenshot of this message to ";
    report += product::kSupportEmail;
    return report;
}

void ErrorReport::show(std::string_view description, std::string_view location, int step) {
    ui_.messageBox(text(description, location, step), "Application Error", platform::MessageButtons::Ok,
                   platform::MessageIcon::Exclamation);
}

}  // namespace calvenor
