// SPDX-License-Identifier: GPL-3.0-or-later
// Nemora's icon (resource 5001) for the window frames and the task bar.
#pragma once
#include <QIcon>

// The icon, or a null icon when the resource is missing or does not decode.
QIcon ProgramIcon();
