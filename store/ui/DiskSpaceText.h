#pragma once
// The "缓存信息:" line of the general page for a cache path.
#include <QString>

#include <functional>
#include <string>

namespace quarvik {

// total and free bytes of the file system holding path; false when unknown.
using DiskSpaceQuery = std::function<bool(const std::string& path, double& total, double& free)>;

bool StatvfsDiskSpace(const std::string& path, double& total, double& free);

QString DiskSpaceText(const QString& cachePath, const DiskSpaceQuery& query = StatvfsDiskSpace);

}  // namespace quarvik
