#pragma once
// vintrel --capture-profile: this machine, as the platform answers the program, written as a
// machine profile that VINTREL_MACHINE plays back.

#include <string>

#include "platform/sim/recording_platform.h"

namespace vintrel::app {

// Asks, through the installed platform (a RecordingPlatform, already replaying), everything
// the main window, the settings dialog and the report read, by building the two windows
// hidden and composing the report text, so that the record holds all of it.
void readWhatTheWindowsRead();

// Writes the recorded machine to `file` ("-": standard output), whole or not at all, with
// personal values replaced unless includePersonal; says on `err` what it replaced.
// Returns the exit code: 0, or with a message 2 when the file cannot be written, 1 when
// standard output cannot.
int writeCapturedProfile(const platform::sim::RecordingPlatform& recorder, const std::string& file,
                         bool includePersonal);

}  // namespace vintrel::app
