#pragma once
// "publish-log.txt" in the program folder: one line per finished job, so a reporter can show
// what left the device and when.

#include <string>

namespace mora {

struct PublishOutcome;

inline constexpr char kPublishLogFile[] = "publish-log.txt";

// "2026-12-08 23:59:01 ftp ok files=Name.wav:123456,Name.txt:80 size=verified
// resumes=2:65536/SIZE,4:98304/sent" (time in local time; size=unchecked when no size was
// asked, size=MISMATCH when the server's copy differs).
std::string PublishLogLine(const PublishOutcome& outcome);
// Appends the job's line; false when the file could not be written (nothing is shown: the log
// must never stop a job).
bool AppendPublishLog(const std::string& path, const PublishOutcome& outcome);

}  // namespace mora
