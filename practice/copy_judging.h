// SPDX-License-Identifier: GPL-3.0-or-later
// Copy receive (筆記受信): the learner copies the telegrams that playback sends by typing them, and the
// typed copy is judged, scored and logged as keyed input is in send practice. The program's own decoding
// of the sending is not judged (the event thread drops it while runFlags.copyReceive is set).
//
// The learner may lag behind the sending by any amount within a telegram. A telegram's copy is closed when
// the learner types the end signal "+" after the telegram was sent, or when the pause after its end signal
// is over (playback then waits for the close, the result window included). Closing books the cells the
// learner did not type as missed, shows the model and the result window, and moves on.
//
// Fields follow the procedure signals the learner types ("=" ends a field early, its untyped cells missed);
// without them a complete field gives way to the next one, so a learner who never types "=" is judged in
// the field the sending was in.
//
// Thread: the event thread (the consumers of the typed, sent and time-over records), except
// CopyReceiveClosedUpTo.
#pragma once
#include <cstdint>

// One typed cell: a character of the script, a blank, '=' (separator), '+' (end signal) or
// kTypedBackspace (takes the last typed cell back, as the correction signal does).
void JudgeTypedCharacter(char16_t c);
// Playback keyed telegram `number`'s end signal: a "+" typed from now on closes its copy.
void NoteTelegramSent(int32_t number);
// The pause after telegram `number` is over: its copy is closed if the learner has not closed it.
void CloseCopyAtTimeOver(int32_t number);
// Playback has ended without being stopped, or a run ends by a stop, a new start or closing the program:
// a run with at least one judged character that has not finished yet is finished as its last telegram
// would finish it (the "完了" row, the text log, the level rule). Nothing is written for a run with nothing
// judged. Any run, not only copy receive.
void FinishOpenRun();
