// SPDX-License-Identifier: GPL-3.0-or-later
// nemora-cli report [--mode 0-7]: the statistics window's report text of one mode on standard output.
#pragma once

// Runs the command on the arguments after "report"; returns the process exit code.
int RunReportCommand(int argc, char** argv);
