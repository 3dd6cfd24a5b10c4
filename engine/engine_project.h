#pragma once
// What the engine asks of the current project: where recordings go, how they are numbered, and
// the recording list that grows with each recording and that play-all walks. The program
// answers with the project store; the engine never reads or writes the project file itself.

#include <cstdint>
#include <string>

namespace mora {

class EngineProject {
  public:
    virtual ~EngineProject() = default;
    // The project folder, ending in '/'.
    virtual std::string Folder() const = 0;
    virtual bool Mp2() const = 0;
    // Recordings of this project also go live to the FTP server while they are saved.
    virtual bool RecordToFtp() const = 0;
    // Steps the recording number on and returns the new recording's name (project name and
    // two-digit number, no extension); its files lie in Folder().
    virtual std::string NextRecording() = 0;
    // Steps the recording number back after a dropped recording; the project's last existing
    // recording becomes current again.
    virtual void PreviousRecording() = 0;
    // Adds the finished recording at `audioPath` (length in level units) to the recording list
    // and makes it current.
    virtual void AppendRecording(const std::string& audioPath, uint32_t length) = 0;
    virtual void SaveProject() = 0;
    // Play-all: makes the recording after the current one current (its level file loaded into
    // the edit state the engine was given) and returns its audio path; empty after the last.
    virtual std::string SelectNextRecording() = 0;
    // The engine started or stopped recording or playing; project commands wait meanwhile.
    virtual void EngineBusy(bool /*recording*/, bool /*playing*/) {}
};

}  // namespace mora
