#include "ReportFiles.h"

#include "Pictures.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace quarvik {

std::string MakeImagesFolder(const std::string& folder, ReportOutcome& outcome)
{
    const std::string images = folder + "/images";
    struct stat info{};
    if (mkdir(images.c_str(), 0777) == 0 || (errno == EEXIST && stat(images.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
        return images;
    outcome.Fail("cannot create folder " + images + ": " + std::strerror(errno == EEXIST ? ENOTDIR : errno));
    return {};
}

void SaveReportPicture(const QImage& picture, const std::string& imagesFolder, const std::string& name,
                       ReportOutcome& outcome)
{
    std::string error;
    if (!SavePictureBmp(picture, imagesFolder + "/" + name, error))
        outcome.Fail(error);
}

}  // namespace quarvik
