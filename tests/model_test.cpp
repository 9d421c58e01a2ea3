// Randomized model test: for many fixed seeds the panel's windows come and go at random
// virtual times, the button opens the dialog after a random delay or never, the dialog
// may open by itself or vanish, and messages (quit among them) reach the run's queue.
// Whatever happens, the run must keep the rules checked after each run below; a
// failure names its seed.
//
// Random values come straight from std::mt19937's raw output through our own
// arithmetic: the engine's output is fixed by the C++ standard, whereas what a standard
// library makes of it is not, so a seed makes the same panel with every library.
// Each draw is a statement of its own, because the order in which a call's arguments
// are evaluated differs between compilers.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "switch/run.h"
#include "tests/fake_window_system.h"

namespace {

using fake::NEVER;
using fake::Op;

constexpr int SEEDS = 3000;

const char PROPERTIES_BOX_START[] = "MessageBoxA(null, \"Cannot resolve 'Pen Tablet Properties'";
const char DETAILS_BOX_START[] = "MessageBoxA(null, \"Cannot resolve 'Pen Mode Details'";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

// `GetDlgItem(a, 11) = a/11` -> `a/11`.
std::string Result(const std::string& line) {
  return line.substr(line.rfind(" = ") + 3);
}

// `PostMessageA(target, ...)` -> `target`.
std::string Target(const std::string& line) {
  std::size_t open = line.find('(');
  return line.substr(open + 1, line.find(',') - open - 1);
}

// A whole number in [0, limit), for 0 < limit <= 2^32.
long Below(std::mt19937& random, long limit) {
  std::uint64_t raw = static_cast<std::uint32_t>(random());
  return static_cast<long>((raw * static_cast<std::uint64_t>(limit)) >> 32);
}

// True with a probability of `per_mille` in a thousand.
bool Chance(std::mt19937& random, long per_mille) {
  return Below(random, 1000) < per_mille;
}

// A random time in [0, limit), or NEVER with a probability of `never_per_mille`.
long RandomTime(std::mt19937& random, long limit, long never_per_mille) {
  if (Chance(random, never_per_mille)) {
    return NEVER;
  }
  return Below(random, limit);
}

// The index of a link left out of a path of `links` links, or -1 (seven times in ten).
int MissingLink(std::mt19937& random, int links) {
  if (Chance(random, 700)) {
    return -1;
  }
  return static_cast<int>(Below(random, links));
}

// Sets up a random panel in `sim`.
void RandomPanel(std::mt19937& random, fake::WindowSystem& sim) {
  const std::vector<int> properties_path = {0, 62, 71, 813, 814, 1581};
  long from = RandomTime(random, 3000, 300);
  long until = NEVER;
  if (!Chance(random, 800) && from != NEVER) {
    until = from + RandomTime(random, 3000, 0);
  }
  int missing = MissingLink(random, 6);
  sim.AddWindow("properties", "Pen Tablet Properties", properties_path, from, until, missing);
  if (Chance(random, 300)) {
    // A second properties window, on another tab or closing soon.
    from = RandomTime(random, 2000, 0);
    until = from + RandomTime(random, 1000, 0);
    missing = MissingLink(random, 6);
    sim.AddWindow("other", "Pen Tablet Properties", properties_path, from, until, missing);
  }
  from = RandomTime(random, 5000, 600);
  until = NEVER;
  if (!Chance(random, 800)) {
    until = RandomTime(random, 5000, 0);
  }
  missing = MissingLink(random, 3);
  sim.AddWindow("details", "Pen Mode Details", {0, 11, 23}, from, until, missing);
  if (Chance(random, 700)) {
    sim.OpenOnShell("PenTablet.cpl", "properties", RandomTime(random, 2500, 0));
  }
  if (Chance(random, 800)) {
    sim.OpenOnSpace("properties/0/62/71/813/814/1581", "details", RandomTime(random, 2500, 0));
    sim.OpenOnSpace("other/0/62/71/813/814/1581", "details", RandomTime(random, 2500, 0));
  }
  long messages = Below(random, 41);
  for (long i = 0; i < messages; ++i) {
    long at = RandomTime(random, 4500, 0);
    sim.QueueMessage(at, Chance(random, 200) ? fake::WM_QUIT : 0x0400);
  }
  // Now and then the dialog opens or the properties window closes in the middle of an
  // attempt, between two calls of the run.
  long open_now = Chance(random, 300) ? 20 : 0;
  long close_now = Chance(random, 200) ? 10 : 0;
  auto hook_random = std::make_shared<std::mt19937>(random());
  sim.after_call = [&sim, hook_random, open_now, close_now](const fake::Call&) {
    if (Chance(*hook_random, open_now)) {
      sim.Show("details", sim.now());
    }
    if (Chance(*hook_random, close_now)) {
      sim.Close("properties", sim.now());
    }
  };
}

// One attempt: its calls [begin, end) in the record.
struct Attempt {
  std::size_t begin;
  std::size_t end;
};

// Checks the rules on the record of one run that returned `status`.
void CheckRun(const std::vector<fake::Call>& calls, int status) {
  ASSERT_FALSE(calls.empty());
  ASSERT_TRUE(StartsWith(calls[0].line, "FindWindowA(null, \"Pen Mode Details\") = "));
  bool details_at_start = Result(calls[0].line) != "null";

  // An attempt begins with a PeekMessageA that does not continue a drain. The first
  // attempt of a phase follows anything but a sleep; every other one follows a sleep.
  std::vector<std::vector<Attempt>> phases;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op == Op::Sleep) {
      EXPECT_EQ(calls[i].line, "Sleep(10)");
      ASSERT_LT(i + 1, calls.size());
      EXPECT_EQ(calls[i + 1].op, Op::PeekMessageA) << "a sleep opens an attempt, nothing else";
      EXPECT_FALSE(phases.empty()) << "no sleep before the first attempt";
    }
    bool starts =
        calls[i].op == Op::PeekMessageA && (i == 0 || calls[i - 1].op != Op::DispatchMessageA);
    if (!starts) {
      continue;
    }
    if (calls[i - 1].op != Op::Sleep) {
      phases.emplace_back();
    }
    if (!phases.back().empty()) {
      phases.back().back().end = i - (calls[i - 1].op == Op::Sleep ? 1 : 0);
    }
    phases.back().push_back({i, calls.size()});
  }
  ASSERT_LE(phases.size(), 2u);
  for (const auto& phase : phases) {
    EXPECT_LE(phase.size(), 200u) << "attempts in a phase";
  }

  // Every attempt drains the queue whole before it looks for the dialog.
  for (const auto& phase : phases) {
    for (const Attempt& attempt : phase) {
      std::size_t i = attempt.begin;
      while (calls[i].line == "PeekMessageA(scratch, null, 0, 0, 0) = 1") {
        ASSERT_LT(i + 3, attempt.end);
        EXPECT_EQ(calls[i + 1].line, "GetMessageA(scratch, null, 0, 0)");
        EXPECT_EQ(calls[i + 2].op, Op::TranslateMessage);
        EXPECT_EQ(calls[i + 3].op, Op::DispatchMessageA);
        i += 4;
      }
      ASSERT_LT(i + 1, calls.size());
      EXPECT_EQ(calls[i].line, "PeekMessageA(scratch, null, 0, 0, 0) = 0");
      EXPECT_TRUE(StartsWith(calls[i + 1].line, "FindWindowA(null, \"Pen Mode Details\")"));
    }
  }

  // The shell is asked at most once, before the first attempt, and only when neither
  // window was there.
  int shell_calls = 0;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op != Op::ShellExecuteW) {
      continue;
    }
    ++shell_calls;
    EXPECT_EQ(i, 2u);
    EXPECT_FALSE(details_at_start);
    EXPECT_EQ(calls[1].line, "FindWindowA(null, \"Pen Tablet Properties\") = null");
  }
  EXPECT_LE(shell_calls, 1);
  if (!details_at_start && calls.size() > 1 && Result(calls[1].line) == "null") {
    EXPECT_EQ(shell_calls, 1) << "the properties window was absent";
  }

  // Key messages go only to controls that the same attempt reached, in the right order.
  std::vector<std::string> keys;
  bool dialog_seen = details_at_start;
  std::string button, selector, page;  // reached in the current attempt
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const std::string& line = calls[i].line;
    if (calls[i].op == Op::PeekMessageA && calls[i - 1].op != Op::DispatchMessageA) {
      button = selector = page = "";  // a new attempt: nothing is carried over
    }
    if (StartsWith(line, "FindWindowA(null, \"Pen Mode Details\")") && Result(line) != "null") {
      dialog_seen = true;
    }
    if (calls[i].op == Op::GetDlgItem) {
      std::string id = line.substr(line.find(", ") + 2, line.find(')') - line.find(", ") - 2);
      std::string result = Result(line);
      if (id == "1581") {
        button = result;
      } else if (id == "23") {
        selector = result;
      } else if (id == "0" && StartsWith(line, "GetDlgItem(details, ")) {
        page = result;
      }
    }
    if (calls[i].op != Op::PostMessageA) {
      continue;
    }
    std::string key = line.substr(line.find(", ") + 2);
    std::string target = Target(line);
    EXPECT_NE(target, "null");
    if (key == "0x0100, 0x20, 0x00390001)" || key == "0x0101, 0x20, 0x00390001)") {
      EXPECT_EQ(target, button) << "Space to the button of this attempt";
      EXPECT_FALSE(dialog_seen) << "no Space once the dialog was seen";
      // Right before the press the run looked for the dialog once more and missed it.
      const std::string& before = calls[i - (keys.empty() ? 1 : 2)].line;
      EXPECT_EQ(before, "FindWindowA(null, \"Pen Mode Details\") = null");
      keys.push_back("space");
    } else if (key == "0x0100, 0x26, 0x01480001)" || key == "0x0101, 0x26, 0x01480001)") {
      EXPECT_EQ(target, selector) << "Up to the selector of this attempt";
      keys.push_back("up");
    } else if (key == "0x0100, 0x0d, 0x01480001)" || key == "0x0101, 0x0d, 0x01480001)") {
      EXPECT_EQ(target, page) << "Enter to the page of this attempt";
      keys.push_back("enter");
    } else {
      ADD_FAILURE() << "unexpected post " << line;
    }
  }
  std::vector<std::string> space = {"space", "space"};
  std::vector<std::string> up_enter = {"up", "up", "enter", "enter"};
  std::vector<std::string> space_up_enter = {"space", "space", "up", "up", "enter", "enter"};
  if (status == 0) {
    EXPECT_TRUE(keys == up_enter || keys == space_up_enter);
    EXPECT_EQ(calls.back().op, Op::PostMessageA) << "the run ends with the last post";
    EXPECT_EQ(phases.size(), details_at_start ? 1u : 2u);
  } else {
    EXPECT_EQ(status, -1);
    EXPECT_TRUE(keys.empty() || keys == space);
    EXPECT_EQ(calls.back().op, Op::MessageBoxA) << "a failure ends with its box";
    bool properties_failed = !details_at_start && phases.size() == 1;
    EXPECT_TRUE(StartsWith(calls.back().line,
                           properties_failed ? PROPERTIES_BOX_START : DETAILS_BOX_START));
    EXPECT_EQ(phases.back().size(), 200u) << "a phase fails only after all its attempts";
  }
  int boxes = 0;
  for (const fake::Call& call : calls) {
    boxes += call.op == Op::MessageBoxA ? 1 : 0;
  }
  EXPECT_EQ(boxes, status == 0 ? 0 : 1);
}

TEST(Model, RunKeepsItsRulesWhateverThePanelDoes) {
  int successes = 0;
  for (int seed = 0; seed < SEEDS; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    fake::WindowSystem sim;
    RandomPanel(random, sim);
    int status = RunSwitch();
    successes += status == 0 ? 1 : 0;
    CheckRun(sim.calls(), status);
    if (HasFailure()) {
      break;  // one seed's report is enough to go on
    }
  }
  // Both outcomes are exercised, so the rules above are checked on both paths.
  if (HasFailure()) {
    return;
  }
  EXPECT_GT(successes, SEEDS / 10);
  EXPECT_LT(successes, SEEDS * 9 / 10);
}

}  // namespace
