#include "app/report.h"

#include <cstdio>

#include "platform/system_error.h"
#include "platform/ticks.h"

namespace {

uint32_t generatorState = 1;

std::string pick(const std::vector<std::string>& list) {
  return list[static_cast<size_t>(randomNumber(static_cast<int>(list.size()), true) - 1)];
}

}  // namespace

void seedRandom(uint32_t seed) { generatorState = seed; }

int drawRandom() {
  generatorState = generatorState * 214013u + 2531011u;
  return static_cast<int>((generatorState >> 16) & 0x7FFF);
}

int randomNumber(int max, bool reseed) {
  if (reseed) seedRandom(velmora::platform::tickCount());
  return 1 + drawRandom() % max;
}

const std::vector<std::string>& successComments() {
  static const std::vector<std::string> comments = {
      "You're not surprised, are you?",
      "Phew, I was worried about this one.",
      "Now that this is clarified, what next?",
      "Good job, another example of networking excellence.",
      "Feels good, doesn't it?",
      "Great! Let's go home and call it a day!",
      "So many problems in life, at least one thing worked out.",
      "Good, let's hope it stays that way.",
      "Not bad, but don't get overly confident now!",
      "Would it be a problem if it wasn't up?",
      "Everything looks good, next patient please.",
  };
  return comments;
}

const std::vector<std::string>& failureComments() {
  static const std::vector<std::string> comments = {
      "That machine is not important now, is it?",
      "Looks like you got some work to do!",
      "Oh geez, can we blame this on somebody else?",
      "Houston, we have a problem!",
      "OK, that didn't work out. Maybe try again?",
      "I cannot believe this, I was really optimistic!",
      "Did you turn it on?",
      "I bet the cleaning staff unplugged the cable!",
      "Maybe you are just having a bad dream.",
      "I know you can fix this, I just know it!",
      "Just when you thought you could go home.",
      "Bummer, dude.",
  };
  return comments;
}

std::string successComment() { return pick(successComments()); }
std::string failureComment() { return pick(failureComments()); }

std::string errorLine(const std::string& reason) { return "Error: " + reason + "\r\n"; }

std::string verboseHeader(const std::string& displayName) {
  return "\nBinging " + displayName + "\n\n";
}

std::string probeLine(const std::string& reply) { return reply + "\r\n"; }

std::string briefVerdict(const std::string& displayName, bool up, bool withComment) {
  std::string line = "Host " + displayName + " is " + (up ? "up" : "down") + ".";
  if (withComment) line += " " + (up ? successComment() : failureComment());
  return line + "\r\n";
}

std::string summaryText(const PingStatistics& s) {
  char values[160];
  std::snprintf(values, sizeof values,
                "Average: %d ms, Minimum: %d ms, Maximum: %d ms, Rate: %d%%\r\n", s.average,
                s.minimum, s.maximum, s.rate);
  return std::string("\nRoundtrip Summary:\r\n") + values;
}

std::string outputFailureLine(uint32_t code) {
  std::string reason;
  if (velmora::platform::systemMessageText(code, true, 512, &reason)) {
    while (!reason.empty() && reason.back() == ' ') reason.pop_back();
  } else {
    reason = "system error " + std::to_string(code) + ".";
  }
  return errorLine("Cannot write to standard output: " + reason);
}
