#ifndef TAVRO_APP_REPORT_H_
#define TAVRO_APP_REPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "app/pinger.h"

/// Seeds the comment generator (the C runtime's srand/rand recurrence,
/// written out so that every platform draws the same numbers).
void seedRandom(uint32_t seed);
/// Next value 0..32767 of the generator.
int drawRandom();
/// A number from 1 to max; reseeds from the tick counter first when asked.
int randomNumber(int max, bool reseed);

/// The comments that may follow an "up" and a "down" verdict, in order.
const std::vector<std::string>& successComments();
const std::vector<std::string>& failureComments();
/// One comment of each list, chosen at random.
std::string successComment();
std::string failureComment();

/// The texts the driver writes, byte for byte.
std::string errorLine(const std::string& reason);
std::string verboseHeader(const std::string& displayName);
std::string probeLine(const std::string& reply);
std::string briefVerdict(const std::string& displayName, bool up, bool withComment);
std::string summaryText(const PingStatistics& s);
/// The line for standard error when standard output failed with the system
/// error `code` (a Windows code, the same on every system).
std::string outputFailureLine(uint32_t code);

#endif  // TAVRO_APP_REPORT_H_
