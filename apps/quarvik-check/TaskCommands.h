// The commands that set up and run monitoring tasks without the GUI.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quarvik {

// Runs every active task of "Templ.db" (or only taskId, when >= 0) until interrupted()
// turns true, printing one line per state change and per fault event. Returns the exit
// status: 0 after a clean stop, 2 when no task could be started.
int RunTasks(int taskId, const std::string& paramsPath, const std::function<bool()>& interrupted);

// "--set-cache DIR": the cache folder of downloads and recordings.
int SetCacheFolder(const std::string& folder);
// "--add-template NAME ITEM...", each ITEM "Level:Name=Value" or "Level:Name=Low..High".
int AddTemplate(const std::vector<std::string>& arguments);
// "--add-task NAME KIND key=value...": a target of that kind (folder, ftp, udp, removable)
// and an active task watching it. Keys: path, host (or ip), port, user, password, interval
// (seconds), template (a stored template's name: format check on), content (on|off).
int AddTask(const std::vector<std::string>& arguments);
// "--list-tasks": the tasks with their targets.
int ListTasks();

}  // namespace quarvik
