// SPDX-License-Identifier: GPL-3.0-or-later
// nemora-cli generate: random practice telegrams written as a telegram file that the trainer loads back.
#pragma once

// Runs the command with the arguments after "generate"; returns the exit status (0 written, 1 failed,
// 2 bad arguments).
int RunGenerateCommand(int argc, char** argv);
