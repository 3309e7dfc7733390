#pragma once

#include <QString>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

// The report names of the sample database, from the description the build writes it from, in the
// order of Access's report collection: by name, letter case ignored.
inline std::vector<std::string> sampleReports() {
    std::ifstream description{CALVENOR_SAMPLE_DESCRIPTION};
    std::vector<std::string> names;
    const std::string keyword = "report \"";
    for (std::string line; std::getline(description, line);) {
        if (line.rfind(keyword, 0) == 0)
            names.push_back(line.substr(keyword.size(), line.rfind('"') - keyword.size()));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
    });
    return names;
}
