// The shell's logic without widgets: colour texts, preferences, spin-edit
// arithmetic, layouts, the close question, the instance lock, port lists.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <string>

#include "comm/serial_port_list.h"
#include "shell/close_sequence.h"
#include "shell/colors.h"
#include "shell/comm_options_logic.h"
#include "shell/connection_view.h"
#include "shell/contrast.h"
#include "shell/grid_columns.h"
#include "shell/help_errors.h"
#include "shell/instance_lock.h"
#include "shell/main_layout.h"
#include "shell/message_box_layout.h"
#include "shell/preferences.h"
#include "shell/scripted_dialogs.h"
#include "shell/spin_value.h"

namespace kvx {
namespace {

TEST(ColorText, NamesAndHexBothWays) {
  EXPECT_EQ(ColorToText({0xC0, 0xC0, 0xC0}), "clSilver");
  EXPECT_EQ(ColorToText({0xA0, 0xA0, 0xA4}), "clMedGray");
  EXPECT_EQ(ColorToText({12, 34, 56}), "$0038220C");
  EXPECT_EQ(ColorToText({0xAB, 0x01, 0xFE}), "$00FE01AB");
  EXPECT_EQ(ColorFromText("$0038220C"), (Rgb{12, 34, 56}));
  EXPECT_EQ(ColorFromText("clMoneyGreen"), (Rgb{0xC0, 0xDC, 0xC0}));
  EXPECT_EQ(ColorFromText("CLWHITE"), (Rgb{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(ColorFromText("clBtnFace").has_value(), true);
  EXPECT_EQ(ColorFromText("255"), (Rgb{0xFF, 0, 0}));  // decimal 00BBGGRR
  for (const auto& c : NamedColors()) EXPECT_EQ(ColorFromText(ColorToText(c.rgb)), c.rgb);
}

TEST(ColorText, UnreadableTextsFallBack) {
  for (const char* bad :
       {"", "clNoSuchColour", "$", "$00GG0000", "$FF000000", "$0000000000", "12abc", "-1"}) {
    EXPECT_FALSE(ColorFromText(bad).has_value()) << bad;
    EXPECT_EQ(ColorFromTextOr(bad, Rgb{1, 2, 3}), (Rgb{1, 2, 3})) << bad;
  }
}

TEST(Preferences, MissingValuesGiveDefaultsAndAllElevenAreWritten) {
  Preferences p = PreferencesFromValues([](const std::string&) { return std::nullopt; });
  auto values = PreferencesToValues(p);
  std::map<std::string, std::string> expected = {{"Language", "English"},
                                                 {"DatalogName", "Unit.csv"},
                                                 {"Maximized", "0"},
                                                 {"Top", "0"},
                                                 {"Left", "0"},
                                                 {"Height", "0"},
                                                 {"Width", "0"},
                                                 {"Editbox", "clWhite"},
                                                 {"Fixedbox", "clMoneyGreen"},
                                                 {"Background", "clSilver"},
                                                 {"Form", "clMedGray"}};
  ASSERT_EQ(values.size(), 11u);
  for (const auto& [name, text] : values) EXPECT_EQ(expected.at(name), text) << name;
}

TEST(Preferences, BadIntegersTakeDefaultsAndBooleansAreNonZero) {
  std::map<std::string, std::string> stored = {
      {"Top", "12x"},     {"Left", " 40 "},        {"Height", ""},       {"Width", "99999999999"},
      {"Maximized", "2"}, {"Language", "Deutsch"}, {"Form", "$0038220C"}};
  Preferences p = PreferencesFromValues([&](const std::string& n) -> std::optional<std::string> {
    auto it = stored.find(n);
    if (it == stored.end()) return std::nullopt;
    return it->second;
  });
  EXPECT_EQ(p.top, 0);
  EXPECT_EQ(p.left, 40);
  EXPECT_EQ(p.height, 0);
  EXPECT_EQ(p.width, 0);
  EXPECT_TRUE(p.maximized);
  EXPECT_EQ(p.language, "Deutsch");
  EXPECT_EQ(p.formColor, "$0038220C");
}

TEST(Preferences, MaximisedCloseKeepsTheOldSize) {
  Preferences p;
  p.height = 600;
  p.width = 800;
  StoreWindowPlacement(p, true, 5, 6, 1000, 1900);
  EXPECT_TRUE(p.maximized);
  EXPECT_EQ(p.top, 5);
  EXPECT_EQ(p.left, 6);
  EXPECT_EQ(p.height, 600);
  EXPECT_EQ(p.width, 800);
  StoreWindowPlacement(p, false, 1, 2, 560, 760);
  EXPECT_EQ(p.height, 560);
  EXPECT_EQ(p.width, 760);
}

struct FormatCase {
  double value;
  int precision;
  SpinDisplayType type;
  const char* units;
  const char* expected;
};

TEST(SpinValue, FormatsLikePrintfWhateverTheLocale) {
  const FormatCase cases[] = {
      {2.5, 2, SpinDisplayType::Float, " s", "2.50 s"},
      {12.345f, 2, SpinDisplayType::Float, "", "12.35"},
      {1234.5, 3, SpinDisplayType::Exponent, " A", "1.234e+03 A"},
      {1234.5, 3, SpinDisplayType::Auto, "", "1.23e+03"},
      {0.0001, 3, SpinDisplayType::Auto, "", "0.0001"},
      {100, 0, SpinDisplayType::Auto, "", "1e+02"},
      {254, 0, SpinDisplayType::Float, "", "254"},
      {-0.5, 0, SpinDisplayType::Float, "", "-0"},
      {1.5, -1, SpinDisplayType::Float, "", "1.500000"},
  };
  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous ? previous : "C";
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    std::setlocale(LC_ALL, locale);
    for (const auto& c : cases) {
      EXPECT_EQ(FormatSpinText(c.value, c.precision, c.type, c.units), c.expected)
          << locale << " " << c.expected;
    }
    EXPECT_EQ(ParseLeadingFloat("12.5 s"), 12.5f) << locale;
  }
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(SpinValue, ReadsTheLeadingSinglePrecisionNumber) {
  struct Case {
    const char* text;
    std::optional<float> expected;
  } cases[] = {
      {"12.345", 12.345f}, {"  7 s", 7.0f},     {"-5", -5.0f},         {"+3.5x", 3.5f},
      {".5", 0.5f},        {"5.", 5.0f},        {"1e3", 1000.0f},      {"1e", 1.0f},
      {"2.5e+x", 2.5f},    {"12,5", 12.0f},     {"abc", std::nullopt}, {"", std::nullopt},
      {"-", std::nullopt}, {".", std::nullopt}, {"s 5", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseLeadingFloat(c.text), c.expected) << c.text;
  EXPECT_EQ(ParseLeadingFloat("1e60"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(ParseLeadingFloat("1e-60"), 0.0f);
  EXPECT_EQ(ParseLeadingFloat("-1e999"), -std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(*ParseLeadingFloat("nan")));
}

TEST(SpinValue, CommaTypedAsDecimalSeparatorIsThePoint) {
  // "7,5" must never read as 7.
  const std::pair<const char*, float> cases[] = {
      {"7,5", 7.5f}, {"7,5 A", 7.5f}, {"-0,25", -0.25f}, {"7.5", 7.5f}, {"12", 12.0f}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ParseLeadingFloat(WithDecimalPoint(text)), expected) << text;
  }
  // A text that has a point keeps its comma (it is no decimal separator there).
  EXPECT_EQ(WithDecimalPoint("1,000.5"), "1,000.5");
}

TEST(Contrast, TextReadsOnEveryColourOffered) {
  const Rgb black{0, 0, 0};
  const Rgb white{255, 255, 255};
  EXPECT_NEAR(ContrastRatio(black, white), 21.0, 0.01);
  EXPECT_NEAR(ContrastRatio(white, black), 21.0, 0.01);
  EXPECT_NEAR(ContrastRatio(Rgb{12, 34, 56}, Rgb{12, 34, 56}), 1.0, 1e-9);
  EXPECT_EQ(TextColorOn(white), black);
  EXPECT_EQ(TextColorOn(black), white);
  EXPECT_EQ(TextColorOn(Rgb{0, 0, 128}), white);    // navy
  EXPECT_EQ(TextColorOn(Rgb{255, 255, 0}), black);  // yellow
  EXPECT_EQ(TextColorOn(Rgb{192, 192, 192}), black);
  // A status colour that reads is kept as it is.
  const Rgb blue{0, 0, 255};
  const Rgb red{255, 0, 0};
  const Rgb green{0, 128, 0};
  EXPECT_EQ(ReadableInk(blue, white), blue);
  EXPECT_EQ(ReadableInk(blue, Rgb{192, 220, 192}), blue);  // money green
  EXPECT_EQ(ReadableInk(red, Rgb{192, 192, 192}), red);    // the default look stays
  // On navy, blue turns a lighter blue, not plain white.
  const Rgb onNavy = ReadableInk(blue, Rgb{0, 0, 128});
  EXPECT_GE(ContrastRatio(onNavy, Rgb{0, 0, 128}), kReadableContrast);
  EXPECT_FALSE(onNavy == white);
  EXPECT_GT(onNavy.b, onNavy.r);
  // Whatever colour the boxes offer, plain text and every status colour read
  // on it.
  for (const NamedColor& named : NamedColors()) {
    EXPECT_GE(ContrastRatio(TextColorOn(named.rgb), named.rgb), kReadableContrast) << named.name;
    for (const Rgb status : {blue, red, green}) {
      EXPECT_GE(ContrastRatio(ReadableInk(status, named.rgb), named.rgb), kStatusContrast)
          << named.name;
    }
  }
}

TEST(GridColumns, FillTheWidthInProportion) {
  const std::vector<int> preferred{202, 127, 50, 252};
  const std::vector<int> minimum{120, 70, 40, 120};
  for (int available : {548, 631, 900, 1200}) {
    const std::vector<int> w = FitColumnWidths(preferred, minimum, available);
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0] + w[1] + w[2] + w[3], available) << available;
    for (std::size_t i = 0; i < 4; ++i) EXPECT_GE(w[i], minimum[i]) << available;
    EXPECT_GT(w[3], w[1]) << available;  // proportions kept
  }
  // A column whose share falls under its minimum is held there; the others
  // share what is left and still fill the width.
  const std::vector<int> held = FitColumnWidths({400, 400, 10, 400}, minimum, 700);
  EXPECT_EQ(held[2], 40);
  EXPECT_EQ(held[0] + held[1] + held[2] + held[3], 700);
  // Too narrow for the minimums: the minimums (the grid scrolls).
  EXPECT_EQ(FitColumnWidths(preferred, minimum, 300), minimum);

  EXPECT_EQ(ClampTreeWidth(250, 742, 120, 300), 250);
  EXPECT_EQ(ClampTreeWidth(600, 742, 120, 300), 442);
  EXPECT_EQ(ClampTreeWidth(10, 742, 120, 300), 120);
  EXPECT_EQ(ClampTreeWidth(300, 350, 120, 300), 120);  // the tree's minimum wins
}

TEST(SpinValue, ClampsAndSteps) {
  EXPECT_EQ(ClampToLimits(500, 0, 100), 100);
  EXPECT_EQ(ClampToLimits(-5, 0, 100), 0);
  EXPECT_EQ(ClampToLimits(std::nan(""), 0, 100), 0);
  EXPECT_EQ(ClampToLimits(42, 0, 100), 42);
  EXPECT_EQ(StepUp(10, 0.01, 0, 10, false), 10);
  EXPECT_EQ(StepUp(10, 0.01, 0, 10, true), 0);
  EXPECT_EQ(StepDown(0, 1, 0, 10, false), 0);
  EXPECT_EQ(StepDown(0, 1, 0, 10, true), 10);
  EXPECT_EQ(StepDown(1, 1, 0, 10, true), 0);  // reaching Min exactly is a step, not a wrap
  EXPECT_FALSE(ChangedAtSinglePrecision(0.1, static_cast<float>(0.1)));
  EXPECT_TRUE(ChangedAtSinglePrecision(0.123, static_cast<float>(0.12)));
}

TEST(MainLayout, ResizeArithmetic) {
  MainLayout at900 = ComputeMainLayout(900, 884, 400);
  EXPECT_EQ(at900.start2Left, 635);
  EXPECT_EQ(at900.progressWidth, 330);
  EXPECT_EQ(at900.firstPanelWidth, 488);
  EXPECT_EQ(at900.stopLeft, 805);
  MainLayout at751 = ComputeMainLayout(751, 742, 400);
  EXPECT_EQ(at751.start2Left, 560);  // (751 - 750) / 2 truncates
  MainLayout m = ComputeMainLayout(750, 742, 400);
  EXPECT_EQ(m.treeWidth, 186);  // b = (742 - 734) / 4 = 2
  EXPECT_EQ(m.gridLeft, 192);
  EXPECT_EQ(m.gridWidth, 742 - 192 - 2);
  EXPECT_EQ(m.gridColumnWidths[2], 202);
  EXPECT_EQ(m.gridColumnWidths[5], 252);
  EXPECT_EQ(m.rtdGrid.left, 373);
  EXPECT_EQ(m.meterGrid.width, 367);
  EXPECT_EQ(m.resetLeft + kDetailsButtonWidth + 10, m.firstPanelWidth - 1);
}

TEST(MessageBoxLayout, ButtonsAndHeight) {
  MessageBoxLayout ok = LayoutMessageBox(MessageKind::Ok, 400, 200, 26);
  ASSERT_EQ(ok.buttons.size(), 1u);
  EXPECT_EQ(ok.buttons[0].left, 163);
  EXPECT_EQ(ok.text.left, 100);
  EXPECT_EQ(ok.text.top, 16);
  EXPECT_EQ(ok.buttons[0].top, 16 + 26 + 2);
  EXPECT_LT(ok.clientHeight, kMessageBoxClientHeight);
  MessageBoxLayout yesNo = LayoutMessageBox(MessageKind::YesNo, 400, 600, 40);
  ASSERT_EQ(yesNo.buttons.size(), 2u);
  EXPECT_EQ(yesNo.buttons[0].left, 100);
  EXPECT_EQ(yesNo.buttons[1].left, 225);
  EXPECT_EQ(yesNo.text.width, 380);  // wider text wraps inside the margins
  EXPECT_EQ(yesNo.text.left, 10);
  // Three buttons side by side inside the box, none overlapping.
  MessageBoxLayout three = LayoutMessageBox(MessageKind::SaveDontSaveCancel, 400, 200, 26);
  ASSERT_EQ(three.buttons.size(), 3u);
  EXPECT_GE(three.buttons[0].left, 0);
  for (int i = 1; i < 3; ++i) {
    EXPECT_GT(three.buttons[i].left, three.buttons[i - 1].left + three.buttons[i - 1].width);
  }
  EXPECT_LE(three.buttons[2].left + three.buttons[2].width, 400);
}

TEST(CloseSequence, SaveDontSaveOrCancel) {
  // Nothing unsaved: nothing asked.
  bool changes = false;
  ScriptedDialogs none;
  EXPECT_TRUE(MayCloseWithChanges(changes, none, nullptr));
  EXPECT_TRUE(none.asked().empty());

  struct Case {
    MessageResult answer;
    bool saveSucceeds;
    bool closes;
    int saves;
    bool unsavedAfter;
  };
  const Case cases[] = {
      {MessageResult::Yes, false, false, 1, true},     // save dialog cancelled or save failed
      {MessageResult::Yes, true, true, 1, false},      // saved
      {MessageResult::No, false, true, 0, false},      // Don't Save drops the changes
      {MessageResult::Cancel, false, false, 0, true},  // the window stays, nothing dropped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    changes = true;
    int saves = 0;
    ScriptedDialogs dialogs({c.answer});
    EXPECT_EQ(MayCloseWithChanges(changes, dialogs,
                                  [&] {
                                    ++saves;
                                    if (c.saveSucceeds) changes = false;
                                  }),
              c.closes);
    EXPECT_EQ(saves, c.saves);
    EXPECT_EQ(changes, c.unsavedAfter);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].caption, "Setpoint Changes");
    EXPECT_EQ(dialogs.asked()[0].kind, MessageKind::SaveDontSaveCancel);
  }
}

TEST(ConnectionView, OfflineAndOnline) {
  ConnectionView off = ViewFor(false, 2);
  EXPECT_TRUE(off.connect && off.openFile && !off.disconnect && !off.writeToUnit);
  EXPECT_EQ(off.family, 0);
  EXPECT_EQ(off.networkText, "OFFLINE");
  ConnectionView on = ViewFor(true, 2);
  EXPECT_TRUE(!on.connect && on.disconnect && on.changePassword && on.meteringAndEventTabs);
  EXPECT_EQ(on.family, 2);
  EXPECT_EQ(on.saveCaption, "Save Setpoint File from Unit");
  EXPECT_EQ(on.networkText, "ONLINE");
}

TEST(HelpErrors, TextsByCause) {
  const std::string page = "/opt/kvx/help/tlx_index.html";
  EXPECT_EQ(HelpOpenErrorText(2, "KVX-COMM", page),
            "The help file that is distributed with KVX-COMM was not found:\n"
            "/opt/kvx/help/tlx_index.html\nIt may not have been installed or may have been "
            "erased. KVX-COMM may have to be reinstalled to have access to these files.");
  EXPECT_EQ(HelpOpenErrorText(3, "X", page), HelpOpenErrorText(2, "X", page));
  EXPECT_EQ(HelpOpenErrorText(0, "X", page), HelpOpenErrorText(8, "X", page));
  EXPECT_EQ(HelpOpenErrorText(5, "X", page), HelpOpenErrorText(26, "X", page));
  EXPECT_EQ(HelpOpenErrorText(11, "X", page), HelpOpenErrorText(31, "X", page));
  EXPECT_NE(HelpOpenErrorText(5, "X", page).find("\n" + page + "\n"), std::string::npos);
  // No browser: the real start page is named for the user to open.
  const std::string noBrowser = HelpOpenErrorText(31, "KVX-COMM", page);
  EXPECT_EQ(noBrowser.substr(noBrowser.size() - page.size() - 1), "\n" + page);
  EXPECT_NE(HelpOpenErrorText(99, "X", page).find("system error"), std::string::npos);
  for (int code : {0, 2, 5, 31, 99}) {
    const std::string text = HelpOpenErrorText(code, "X", page);
    for (const char* wrong : {"occured", "openning", "helpindex", "  "}) {
      EXPECT_EQ(text.find(wrong), std::string::npos) << code << ": " << wrong;
    }
  }
}

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
  char dir[] = "/tmp/kvx-lock-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string path = std::string(dir) + "/" + InstanceLockName("KVX-COMM");
  EXPECT_EQ(InstanceLockName("KVX-COMM"), "KVX-COMM.SEMAPHORE");
  InstanceLock first, second;
  EXPECT_EQ(first.TryAcquire(path), InstanceLockState::Acquired);
  EXPECT_EQ(second.TryAcquire(path), InstanceLockState::HeldByOther);
  first.Release();
  EXPECT_EQ(second.TryAcquire(path), InstanceLockState::Acquired);
  EXPECT_EQ(first.TryAcquire(std::string(dir) + "/missing/dir/lock"),
            InstanceLockState::Unavailable);
  second.Release();
  unlink(path.c_str());
  rmdir(dir);
}

// A fresh private folder under /tmp, removed with its contents.
struct LockScratch {
  LockScratch() {
    char name[] = "/tmp/kvx-lock-XXXXXX";
    if (mkdtemp(name)) dir = name;
  }
  ~LockScratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string operator/(const std::string& name) const { return dir + "/" + name; }
  std::string dir;
};

constexpr uid_t kNobody = 65534;  // another user, for the cases only root can set up

TEST(InstanceLock, NeverFollowsALinkNorWaitsForAnotherUsersFile) {
  LockScratch scratch;
  ASSERT_FALSE(scratch.dir.empty());
  const std::string path = scratch / InstanceLockName("KVX-COMM");
  // A link planted where the lock file goes: nothing is made through it.
  const std::string victim = scratch / "victim";
  ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0);
  InstanceLock lock;
  EXPECT_EQ(lock.TryAcquire(path), InstanceLockState::Unavailable);
  EXPECT_FALSE(std::filesystem::exists(victim));
  unlink(path.c_str());
  EXPECT_EQ(lock.TryAcquire(""), InstanceLockState::Unavailable);

  if (geteuid() != 0) GTEST_SKIP() << "another user's lock file needs root to set up";
  // Another user's lock file, locked by them: not ours, so it never stops us.
  const int theirs = open(path.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(theirs, 0);
  ASSERT_EQ(fchown(theirs, kNobody, kNobody), 0);
  ASSERT_EQ(flock(theirs, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(lock.TryAcquire(path), InstanceLockState::Unavailable);
  close(theirs);
}

TEST(InstanceLock, TheFolderMustBeARealFolderOfOursThatOnlyWeMayWrite) {
  LockScratch scratch;
  ASSERT_FALSE(scratch.dir.empty());
  const std::string folder = scratch / "locks";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::string link = scratch / "link";
  ASSERT_EQ(symlink(folder.c_str(), link.c_str()), 0);
  const std::string file = scratch / "file";
  std::ofstream(file) << "x";

  struct Case {
    mode_t mode;
    const std::string* path;
    const char* problem;  // part of the reason; nullptr: accepted
  };
  const Case cases[] = {
      {0700, &folder, nullptr},
      {0755, &folder, nullptr},
      {0770, &folder, "written by others"},
      {0707, &folder, "written by others"},
      {0700, &link, "symbolic link"},
      {0700, &file, "not a folder"},
  };
  for (const Case& c : cases) {
    chmod(folder.c_str(), c.mode);
    const std::string problem = PrivateFolderProblem(*c.path);
    if (c.problem) {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << *c.path << " " << problem;
    } else {
      EXPECT_EQ(problem, "") << *c.path;
    }
  }
  chmod(folder.c_str(), 0700);
  if (geteuid() != 0) GTEST_SKIP() << "another user's folder needs root to set up";
  ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
  EXPECT_NE(PrivateFolderProblem(folder).find("another user"), std::string::npos);
}

TEST(InstanceLock, LivesInTheFirstPrivateFolderElseOneOfOurOwnInTheTempFolder) {
  LockScratch scratch;
  ASSERT_FALSE(scratch.dir.empty());
  const std::string own = scratch / ("kvx-comm-" + std::to_string(geteuid()));
  const std::string name = "/KVX-COMM.SEMAPHORE";
  const std::string shared = scratch / "shared";
  ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
  chmod(shared.c_str(), 01777);  // like /tmp itself

  EXPECT_EQ(InstanceLockPath("KVX-COMM", {shared, "", scratch.dir}), own + name)
      << "a folder anyone may write is passed over";
  struct stat st {};
  ASSERT_EQ(lstat(own.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(InstanceLockPath("KVX-COMM", {"", own, scratch.dir}), own + name);
  EXPECT_EQ(InstanceLockPath("KVX-COMM", {own, shared, ""}), own + name);
  InstanceLock first, second;
  EXPECT_EQ(first.TryAcquire(InstanceLockPath("KVX-COMM", {"", "", scratch.dir})),
            InstanceLockState::Acquired);
  EXPECT_EQ(second.TryAcquire(InstanceLockPath("KVX-COMM", {"", "", scratch.dir})),
            InstanceLockState::HeldByOther);
  first.Release();

  // Someone else made our folder's name first, as a link: no lock, and the
  // program starts.
  std::filesystem::remove_all(own);
  ASSERT_EQ(symlink(shared.c_str(), own.c_str()), 0);
  EXPECT_EQ(InstanceLockPath("KVX-COMM", {"", "", scratch.dir}), "");
  EXPECT_EQ(second.TryAcquire(InstanceLockPath("KVX-COMM", {"", "", scratch.dir})),
            InstanceLockState::Unavailable);
  EXPECT_FALSE(std::filesystem::exists(shared + name)) << "nothing made through the link";

  if (geteuid() != 0) GTEST_SKIP() << "another user's folder needs root to set up";
  // ... or as a folder of theirs holding a lock of theirs.
  unlink(own.c_str());
  ASSERT_EQ(mkdir(own.c_str(), 0700), 0);
  const int theirs = open((own + name).c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(theirs, 0);
  ASSERT_EQ(flock(theirs, LOCK_EX | LOCK_NB), 0);
  ASSERT_EQ(fchown(theirs, kNobody, kNobody), 0);
  ASSERT_EQ(chown(own.c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(InstanceLockPath("KVX-COMM", {"", "", scratch.dir}), "");
  EXPECT_NE(second.TryAcquire(InstanceLockPath("KVX-COMM", {"", "", scratch.dir})),
            InstanceLockState::HeldByOther);
  close(theirs);
}

class FakePorts : public PortAccess {
 public:
  std::vector<std::string> ListPorts() override { return {}; }
  bool CanOpen(const std::string& name) override { return name != "COM2"; }
};

TEST(PortList, SortedCaseInsensitivelyWithPortsInUseMarked) {
  std::vector<std::string> names = {"COM2", "com3", "COM10", "COM1", "COM2"};
  SortPortNames(names);  // the options dialog lists in this order
  EXPECT_EQ(names, (std::vector<std::string>{"COM1", "COM10", "COM2", "com3"}));
  FakePorts ports;
  auto entries = PortEntries(names, ports);
  EXPECT_EQ(entries, (std::vector<std::string>{"COM1", "COM10", "COM2 (in use)", "com3"}));
  EXPECT_EQ(PortNameFromEntry("COM2 (in use)"), "COM2");
  EXPECT_EQ(PortNameFromEntry("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(SplitPortList("/tmp/a::/dev/ttyX:"), (std::vector<std::string>{"/tmp/a", "/dev/ttyX"}));
}

TEST(PortList, HostAndOptionalPort) {
  auto plain = ParseHostAndPort("192.168.1.20");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->host, "192.168.1.20");
  EXPECT_EQ(plain->port, 502);
  auto withPort = ParseHostAndPort(" 127.0.0.1:1502 ");
  ASSERT_TRUE(withPort);
  EXPECT_EQ(withPort->port, 1502);
  EXPECT_EQ(ParseHostAndPort("010.0.0.1")->host, "10.0.0.1");
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4:", "1.2.3.4:0",
                          "1.2.3.4:70000", "a.b.c.d", "1..2.3", "1.2.3.4:12x"}) {
    EXPECT_FALSE(ParseHostAndPort(bad)) << bad;
  }
  EXPECT_EQ(HostEntryText("10.0.0.2", "502"), "10.0.0.2");
  EXPECT_EQ(HostEntryText("10.0.0.2", "1502"), "10.0.0.2:1502");
}

TEST(PortList, VisibilityPerNetworkType) {
  auto rtu = VisibilityFor(ProtocolKind::ModbusRtu);
  EXPECT_TRUE(rtu.comPort && rtu.baudRate && !rtu.sourceAddress && !rtu.errorCheck &&
              !rtu.ipAddress);
  auto df1 = VisibilityFor(ProtocolKind::Df1);
  EXPECT_TRUE(df1.comPort && df1.baudRate && df1.sourceAddress && df1.errorCheck && !df1.ipAddress);
  auto tcp = VisibilityFor(ProtocolKind::ModbusTcp);
  EXPECT_TRUE(!tcp.comPort && !tcp.baudRate && !tcp.sourceAddress && !tcp.errorCheck &&
              tcp.ipAddress);
  EXPECT_EQ(BaudRateAt(BaudIndexOf("38400")), 38400);
  EXPECT_EQ(BaudRateAt(BaudIndexOf("bogus")), 9600);
}

}  // namespace
}  // namespace kvx
