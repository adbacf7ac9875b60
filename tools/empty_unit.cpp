// SPDX-License-Identifier: GPL-3.0-or-later
// Translation unit for a library folder that has no sources of its own yet.
