// Folder and picture-file steps shared by the report writers.
#pragma once

#include "ReportOutcome.h"

#include <QImage>

#include <string>

namespace quarvik {

// Creates folder/images (an existing one is fine) and returns its path; fails outcome and
// returns "" when it cannot be made.
std::string MakeImagesFolder(const std::string& folder, ReportOutcome& outcome);

// Saves picture as images/<name>; a failure only marks outcome.
void SaveReportPicture(const QImage& picture, const std::string& imagesFolder, const std::string& name,
                       ReportOutcome& outcome);

}  // namespace quarvik
