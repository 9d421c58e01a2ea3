// The switch run against the simulated window system. Expected values are written out
// as the panel and Windows know them, never read from the program's own constants.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "switch/run.h"
#include "tests/fake_window_system.h"

namespace {

using fake::NEVER;
using fake::Op;
using Lines = std::vector<std::string>;

const char kButton[] = "properties/0/62/71/813/814/1581";

const char kPropertiesBox[] =
    "MessageBoxA(null, \"Cannot resolve 'Pen Tablet Properties' dialog.\r\n\r\n"
    "Please ensure that Pen Tablet Properties are running, and\r\n"
    "'Pen' tab is currently selected.\r\n\r\n"
    "Note, that this software is not guaranteed to work, and perhaps will be:\r\n"
    " - Dependent on a particular version of drivers\r\n"
    " - Dependent on the Tablet Driver language being English\", \"Orvanel Error\", 0x00)";

const char kDetailsBox[] =
    "MessageBoxA(null, \"Cannot resolve 'Pen Mode Details' dialog.\r\n\r\n"
    "Please ensure that on a tablet properties\r\n"
    "window, Pen Mode is selected. And on the\r\n"
    "'Details...' pane, 'Monitor' tickbox is selected.\r\n\", \"Orvanel Error\", 0x00)";

const Lines kShellCall = {"ShellExecuteW(null, null, u\"PenTablet.cpl\", null, null, 1)"};

const Lines kSpacePress = {
    "PostMessageA(properties/0/62/71/813/814/1581, 0x0100, 0x20, 0x00390001)",
    "PostMessageA(properties/0/62/71/813/814/1581, 0x0101, 0x20, 0x00390001)",
};

// A details attempt that finds the dialog with its whole path.
const Lines kDetailsFound = {
    "PeekMessageA(scratch, null, 0, 0, 0) = 0",
    "FindWindowA(null, \"Pen Mode Details\") = details",
    "GetDlgItem(details, 0) = details/0",
    "GetDlgItem(details/0, 11) = details/0/11",
    "GetDlgItem(details/0/11, 23) = details/0/11/23",
};

// The run's first looks find a properties window but no details dialog.
const Lines kOnlyPropertiesAtStart = {
    "FindWindowA(null, \"Pen Mode Details\") = null",
    "FindWindowA(null, \"Pen Tablet Properties\") = properties",
};

// A properties attempt on a window whose path ends after 62, as on another tab.
const Lines kPropertiesAttemptStoppingAt71 = {
    "PeekMessageA(scratch, null, 0, 0, 0) = 0",
    "FindWindowA(null, \"Pen Mode Details\") = null",
    "FindWindowA(null, \"Pen Tablet Properties\") = properties",
    "GetDlgItem(properties, 0) = properties/0",
    "GetDlgItem(properties/0, 62) = properties/0/62",
    "GetDlgItem(properties/0/62, 71) = null",
};

const Lines kUpAndEnter = {
    "PostMessageA(details/0/11/23, 0x0100, 0x26, 0x01480001)",
    "PostMessageA(details/0/11/23, 0x0101, 0x26, 0x01480001)",
    "PostMessageA(details/0, 0x0100, 0x0d, 0x01480001)",
    "PostMessageA(details/0, 0x0101, 0x0d, 0x01480001)",
};

void AddProperties(fake::WindowSystem& sim, long from, int missing_link = -1) {
  sim.AddWindow("properties", "Pen Tablet Properties", {0, 62, 71, 813, 814, 1581}, from, NEVER,
                missing_link);
}

void AddDetails(fake::WindowSystem& sim, long from, int missing_link = -1) {
  sim.AddWindow("details", "Pen Mode Details", {0, 11, 23}, from, NEVER, missing_link);
}

Lines AllLines(const fake::WindowSystem& sim) {
  Lines lines;
  for (const fake::Call& call : sim.calls()) {
    lines.push_back(call.line);
  }
  return lines;
}

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// What the panel shows and when, and what the run must do about it.
struct Scenario {
  const char* name;
  long properties_from;    // properties window present from then on
  int properties_missing;  // link of its path that never exists, -1 for none
  long applet_delay;       // the shell's applet shows the properties window after this
  long space_delay;        // a Space press on the button opens the details dialog after this
  long details_from;       // details dialog opens by itself at this time
  int details_missing;     // link of its path that never exists, -1 for none
  // Expected:
  int shell_calls;
  bool space_press;
  int phases;  // attempt loops run: each starts without a sleep
  int sleeps;  // all of them 10 ms
  const char* box;
  int status;
};

const Scenario kScenarios[] = {
    {"DetailsOpenAtStart", NEVER, -1, NEVER, NEVER, 0, -1, 0, false, 1, 0, nullptr, 0},
    {"PropertiesOpenDialogAtOnce", 0, -1, NEVER, 0, NEVER, -1, 0, true, 2, 0, nullptr, 0},
    {"PropertiesOpenDialogSlow", 0, -1, NEVER, 35, NEVER, -1, 0, true, 2, 4, nullptr, 0},
    {"DialogOnLastDetailsAttempt", 0, -1, NEVER, 1990, NEVER, -1, 0, true, 2, 199, nullptr, 0},
    {"NothingOpenAppletStarts", NEVER, -1, 50, 30, NEVER, -1, 1, true, 2, 8, nullptr, 0},
    {"PropertiesOnLastAttempt", 1990, -1, NEVER, 0, NEVER, -1, 1, true, 2, 199, nullptr, 0},
    {"PropertiesOneAttemptLate", 2000, -1, NEVER, 0, NEVER, -1, 1, false, 1, 199, kPropertiesBox,
     -1},
    {"AppletNeverShowsProperties", NEVER, -1, NEVER, 0, NEVER, -1, 1, false, 1, 199, kPropertiesBox,
     -1},
    {"PenTabNotSelected", 0, 3, NEVER, 0, NEVER, -1, 0, false, 1, 199, kPropertiesBox, -1},
    {"PenTabShownLater", 0, 5, NEVER, 0, NEVER, -1, 0, false, 1, 199, kPropertiesBox, -1},
    {"DialogOpensWhilePropertiesPoll", NEVER, -1, NEVER, NEVER, 30, -1, 1, false, 2, 3, nullptr, 0},
    {"DialogOpensOverIncompleteTab", 0, 2, NEVER, NEVER, 70, -1, 0, false, 2, 7, nullptr, 0},
    {"ButtonNeverOpensDialog", 0, -1, NEVER, NEVER, NEVER, -1, 0, true, 2, 199, kDetailsBox, -1},
    {"MonitorTickboxOff", 0, -1, NEVER, 0, NEVER, 2, 0, true, 2, 199, kDetailsBox, -1},
    {"DetailsPageMissing", NEVER, -1, NEVER, NEVER, 0, 0, 0, false, 1, 199, kDetailsBox, -1},
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
  *out << scenario.name;
}

class ScenarioTest : public testing::TestWithParam<Scenario> {};

TEST_P(ScenarioTest, RunsAsThePanelAllows) {
  const Scenario& s = GetParam();
  fake::WindowSystem sim;
  AddProperties(sim, s.properties_from, s.properties_missing);
  AddDetails(sim, s.details_from, s.details_missing);
  if (s.applet_delay != NEVER) {
    sim.OpenOnShell("PenTablet.cpl", "properties", s.applet_delay);
  }
  if (s.space_delay != NEVER) {
    sim.OpenOnSpace(kButton, "details", s.space_delay);
  }

  EXPECT_EQ(RunSwitch(), s.status);

  EXPECT_EQ(sim.Lines(Op::ShellExecuteW), s.shell_calls ? kShellCall : Lines());
  Lines posts =
      Concat(s.space_press ? kSpacePress : Lines(), s.status == 0 ? kUpAndEnter : Lines());
  EXPECT_EQ(sim.Lines(Op::PostMessageA), posts);
  EXPECT_EQ(sim.Lines(Op::Sleep), Lines(static_cast<std::size_t>(s.sleeps), "Sleep(10)"));
  EXPECT_EQ(sim.Count(Op::PeekMessageA), s.sleeps + s.phases);
  EXPECT_EQ(sim.Lines(Op::MessageBoxA), s.box ? Lines{s.box} : Lines());
  if (s.box) {
    EXPECT_EQ(sim.calls().back().line, s.box) << "the box ends the run";
  }
}

INSTANTIATE_TEST_SUITE_P(Panel, ScenarioTest, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario>& param_info) {
                           return std::string(param_info.param.name);
                         });

TEST(RunTrace, DetailsOpenAtStartGoesStraightToTheKeys) {
  fake::WindowSystem sim;
  AddProperties(sim, 0);
  AddDetails(sim, 0);

  EXPECT_EQ(RunSwitch(), 0);

  Lines expected = {"FindWindowA(null, \"Pen Mode Details\") = details"};
  EXPECT_EQ(AllLines(sim), Concat(Concat(expected, kDetailsFound), kUpAndEnter));
}

TEST(RunTrace, NothingOpenOpensAppletThenPressesEachControlOnce) {
  fake::WindowSystem sim;
  AddProperties(sim, NEVER);
  AddDetails(sim, NEVER);
  sim.OpenOnShell("PenTablet.cpl", "properties", 0);
  sim.OpenOnSpace(kButton, "details", 0);

  EXPECT_EQ(RunSwitch(), 0);

  Lines expected = {
      "FindWindowA(null, \"Pen Mode Details\") = null",
      "FindWindowA(null, \"Pen Tablet Properties\") = null",
      kShellCall[0],
      "PeekMessageA(scratch, null, 0, 0, 0) = 0",
      "FindWindowA(null, \"Pen Mode Details\") = null",
      "FindWindowA(null, \"Pen Tablet Properties\") = properties",
      "GetDlgItem(properties, 0) = properties/0",
      "GetDlgItem(properties/0, 62) = properties/0/62",
      "GetDlgItem(properties/0/62, 71) = properties/0/62/71",
      "GetDlgItem(properties/0/62/71, 813) = properties/0/62/71/813",
      "GetDlgItem(properties/0/62/71/813, 814) = properties/0/62/71/813/814",
      "GetDlgItem(properties/0/62/71/813/814, 1581) = properties/0/62/71/813/814/1581",
      "FindWindowA(null, \"Pen Mode Details\") = null",
      kSpacePress[0],
      kSpacePress[1],
  };
  EXPECT_EQ(AllLines(sim), Concat(Concat(expected, kDetailsFound), kUpAndEnter));
}

TEST(RunTrace, FailedWalkStopsAtTheMissingLinkAndRetriesFromTheTop) {
  fake::WindowSystem sim;
  AddProperties(sim, 0, 2);
  AddDetails(sim, NEVER);

  EXPECT_EQ(RunSwitch(), -1);

  // Every attempt looks the window up again and walks only as far as the path goes.
  Lines expected = Concat(kOnlyPropertiesAtStart, kPropertiesAttemptStoppingAt71);
  for (int i = 1; i < 200; ++i) {
    expected = Concat(Concat(expected, {"Sleep(10)"}), kPropertiesAttemptStoppingAt71);
  }
  expected.push_back(kPropertiesBox);
  EXPECT_EQ(AllLines(sim), expected);
}

TEST(RunTrace, DialogSeenByAPropertiesProbeEndsThatPhaseAtOnce) {
  fake::WindowSystem sim;
  AddProperties(sim, 0, 2);  // another tab is selected: the walk stops at 71
  AddDetails(sim, 20);       // the user opens the dialog

  EXPECT_EQ(RunSwitch(), 0);

  Lines expected = Concat(kOnlyPropertiesAtStart, kPropertiesAttemptStoppingAt71);
  expected = Concat(Concat(expected, {"Sleep(10)"}), kPropertiesAttemptStoppingAt71);
  // The third attempt's probe finds the dialog: the details phase follows at once, with
  // no further look in the properties phase.
  expected = Concat(expected, {
                                  "Sleep(10)",
                                  "PeekMessageA(scratch, null, 0, 0, 0) = 0",
                                  "FindWindowA(null, \"Pen Mode Details\") = details",
                              });
  EXPECT_EQ(AllLines(sim), Concat(Concat(expected, kDetailsFound), kUpAndEnter));
}

TEST(Run, DialogOpeningDuringTheWalkIsNotPressedAgain) {
  fake::WindowSystem sim;
  AddProperties(sim, 0);
  AddDetails(sim, NEVER);
  sim.OpenOnSpace(kButton, "details", 0);
  // The dialog opens (by a click of the user, say) right as the walk reaches the button.
  sim.after_call = [&sim](const fake::Call& call) {
    if (call.line == "GetDlgItem(properties/0/62/71/813/814, 1581) = " + std::string(kButton)) {
      sim.Show("details", sim.now());
    }
  };

  EXPECT_EQ(RunSwitch(), 0);

  EXPECT_EQ(sim.Lines(Op::PostMessageA), kUpAndEnter);
  EXPECT_EQ(sim.Count(Op::Sleep), 0);
}

TEST(Run, LooksUpEachWindowAfreshOnEveryAttempt) {
  // A window with an incomplete path closes at 25 ms and another one with the same title
  // (a new handle) opens at 40 ms with its whole path: the panel was restarted, or the
  // user closed the dialog and opened it again. The run must reach the new window.
  struct Case {
    const char* replaced;  // name of the window that is replaced
    Lines posts;
  };
  const Case cases[] = {
      {"properties", Concat(kSpacePress, kUpAndEnter)},
      {"details", kUpAndEnter},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.replaced);
    fake::WindowSystem sim;
    bool properties = std::string(c.replaced) == "properties";
    sim.AddWindow(
        "old", properties ? "Pen Tablet Properties" : "Pen Mode Details",
        properties ? std::vector<int>{0, 62, 71, 813, 814, 1581} : std::vector<int>{0, 11, 23}, 0,
        25, 1);
    AddProperties(sim, properties ? 40 : NEVER);
    AddDetails(sim, properties ? NEVER : 40);
    sim.OpenOnSpace(kButton, "details", 0);

    EXPECT_EQ(RunSwitch(), 0);

    EXPECT_EQ(sim.Count(Op::ShellExecuteW), 0) << "a window was there at the start";
    EXPECT_EQ(sim.Lines(Op::PostMessageA), c.posts);
    EXPECT_EQ(sim.Count(Op::Sleep), 4);
  }
}

TEST(Run, DrainsTheWholeQueueInEachAttemptAndOutlivesQuit) {
  fake::WindowSystem sim;
  AddProperties(sim, 0);
  AddDetails(sim, NEVER);
  sim.OpenOnSpace(kButton, "details", 50);
  constexpr unsigned kUser = 0x0400;
  // Far more messages at once than any cap a drain could be given, with a quit message
  // in the middle of them.
  constexpr unsigned kFlood = 100000;
  sim.QueueMessage(0, fake::WM_QUIT);
  for (unsigned i = 0; i < kFlood; ++i) {
    if (i == kFlood / 2) {
      sim.QueueMessage(15, fake::WM_QUIT);
    }
    sim.QueueMessage(15, kUser + i % 7);
  }
  sim.QueueMessage(25, fake::WM_QUIT);

  EXPECT_EQ(RunSwitch(), 0);
  EXPECT_EQ(sim.Lines(Op::PostMessageA), Concat(kSpacePress, kUpAndEnter));

  // Attempts of the details phase start at 0, 10, 20, 30, 40 and 50 ms.
  std::vector<int> taken_per_attempt(1, 0);
  Lines dispatched;
  const std::vector<fake::Call>& calls = sim.calls();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op == Op::Sleep) {
      taken_per_attempt.push_back(0);
    }
    if (calls[i].op == Op::GetMessageA) {
      ++taken_per_attempt.back();
      ASSERT_LT(i + 2, calls.size());
      EXPECT_EQ(calls[i].line, "GetMessageA(scratch, null, 0, 0)");
      EXPECT_EQ(calls[i + 1].op, Op::TranslateMessage);
      EXPECT_EQ(calls[i + 2].op, Op::DispatchMessageA);
      EXPECT_EQ(calls[i + 1].line.substr(16), calls[i + 2].line.substr(16));
      dispatched.push_back(calls[i + 2].line);
    }
    if (calls[i].op == Op::FindWindowA && i > 0 && calls[i - 1].op == Op::PeekMessageA) {
      EXPECT_EQ(calls[i - 1].line, "PeekMessageA(scratch, null, 0, 0, 0) = 0")
          << "the queue is empty when an attempt looks for the dialog";
    }
  }
  // The quit at 0 ms is taken by attempt 0 of the properties phase; the details phase's
  // attempt 0 follows at once on an empty queue.
  EXPECT_EQ(taken_per_attempt, (std::vector<int>{1, 0, static_cast<int>(kFlood) + 1, 1, 0, 0}));
  ASSERT_EQ(dispatched.size(), kFlood + 3u);
  EXPECT_EQ(dispatched.front(), "DispatchMessageA(scratch = 0x0012)");
  EXPECT_EQ(dispatched[1], "DispatchMessageA(scratch = 0x0400)");
  EXPECT_EQ(dispatched[1 + kFlood / 2], "DispatchMessageA(scratch = 0x0012)");
  EXPECT_EQ(dispatched.back(), "DispatchMessageA(scratch = 0x0012)");
}

TEST(WalkControlPath, ReportsTheFirstLinkAndStopsAtTheFirstGap) {
  struct Case {
    int missing_link;
    const char* first_link;  // name of what the first link reached
    Lines calls;
  };
  const Case cases[] = {
      {-1,
       "top/5",
       {"GetDlgItem(top, 5) = top/5", "GetDlgItem(top/5, 6) = top/5/6",
        "GetDlgItem(top/5/6, 7) = top/5/6/7"}},
      {1, "top/5", {"GetDlgItem(top, 5) = top/5", "GetDlgItem(top/5, 6) = null"}},
      {0, "null", {"GetDlgItem(top, 5) = null"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing_link);
    fake::WindowSystem sim;
    std::string end = sim.AddWindow("top", "Top", {5, 6, 7}, 0, NEVER, c.missing_link);
    ws::HWND top = ws::FindWindowA(nullptr, "Top");
    const int path[] = {5, 6, 7};
    ws::HWND first = top;

    ws::HWND last = WalkControlPath(top, path, 3, &first);

    Lines lines = sim.Lines(Op::GetDlgItem);
    EXPECT_EQ(lines, c.calls);
    EXPECT_EQ(last == nullptr, c.missing_link >= 0);
    // The first link's result is the right-hand side of the first GetDlgItem line.
    EXPECT_EQ(lines.front().substr(lines.front().find("= ") + 2), c.first_link);
    EXPECT_EQ(first == nullptr, std::string(c.first_link) == "null");
  }
}

}  // namespace
