#include "records/run_statistics.h"

RunStatistics runStatistics;
TelegramScore telegramScore;
