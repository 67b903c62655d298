#include "DiskSpaceText.h"

#include <sys/statvfs.h>

namespace quarvik {

bool StatvfsDiskSpace(const std::string& path, double& total, double& free) {
    struct statvfs st {};
    if (statvfs(path.c_str(), &st) != 0) return false;
    total = static_cast<double>(st.f_blocks) * static_cast<double>(st.f_frsize);
    free = static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
    return true;
}

QString DiskSpaceText(const QString& cachePath, const DiskSpaceQuery& query) {
    if (cachePath.isEmpty()) return QStringLiteral("缓存路径未设置");
    // There are no drive roots here: the file system holding the folder itself answers.
    double total = 0, free = 0;
    if (!query(cachePath.toStdString(), total, free)) return QStringLiteral("获取磁盘空间信息失败！");
    constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;
    return QString::asprintf("总共: %.2f GB  剩余: %.2f GB ", total / kGiB, free / kGiB);
}

}  // namespace quarvik
