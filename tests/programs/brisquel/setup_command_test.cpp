// SPDX-License-Identifier: MIT
// `brisquel setup` in a private home per desktop: the files it writes, a
// second run that changes nothing, --dry-run, and --undo putting every file
// back byte for byte. GNOME's settings go through the real gsettings with
// its keyfile backend inside the home.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>

#include "CliRun.h"
#include "TestFolders.h"
#include "brisquel/SetupPlan.h"

namespace brisquel::cli {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::runCli;
using testing::writeFile;
using testing::writeScript;

// Every regular file under the folder, by relative path.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = readFile(e.path());
  return files;
}

// The session's variables for one test, put back afterwards.
class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = testing::freshFolder("setup");
    bin_ = home_.parent_path() / (home_.filename().string() + "-bin");
    fs::remove_all(bin_);
    fs::create_directories(bin_);
    fs::create_directories(home_ / ".config");
    set("HOME", home_.string());
    set("XDG_CONFIG_HOME", (home_ / ".config").string());
    set("XDG_STATE_HOME", (home_ / ".local/state").string());
    set("PATH", bin_.string());
    set("GSETTINGS_BACKEND", "keyfile");
    // No session bus: the fcitx5 of the desktop running the tests is not told anything.
    set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (bin_ / "no-bus").string());
    set("DISPLAY", "");
    set("XDG_CURRENT_DESKTOP", "");
    if (fs::exists("/usr/bin/gsettings")) fs::create_symlink("/usr/bin/gsettings", bin_ / "gsettings");
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_)
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
  }
  // Sets the variable for this test, or unsets it when empty.
  void set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.try_emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
    value.empty() ? ::unsetenv(name.c_str()) : ::setenv(name.c_str(), value.c_str(), 1);
  }
  // A fresh home on the given desktop, holding these files.
  template <typename Files>
  void startIn(const std::string& desktop, const Files& files) {
    SetUp();
    set("XDG_CURRENT_DESKTOP", desktop);
    for (const auto& [file, text] : files) {
      fs::create_directories((home_ / file).parent_path());
      writeFile(home_ / file, text);
    }
  }
  // What the command printed.
  static std::string shell(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
      char buffer[512];
      while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
      ::pclose(p);
    }
    return out;
  }

  fs::path home_, bin_;
  std::map<std::string, std::optional<std::string>> saved_;
};

constexpr const char* kFreshProfile = R"([Groups/0]
Name=Default
Default Layout=us
DefaultIM=keyboard-ru

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=keyboard-ru
Layout=

[GroupOrder]
0=Default
)";

// Each desktop's layouts read from its own settings, the files written,
// nothing more on a second run, and all of it undone byte for byte.
TEST_F(SetupTest, EachDesktopSetUpOnceAndUndoneByteForByte) {
  const struct Case {
    std::string desktop;                        // XDG_CURRENT_DESKTOP
    std::map<std::string, std::string> home;    // files before
    std::string layoutsLine;                    // in the output
    std::map<std::string, std::string> wanted;  // a line each file holds afterwards
    bool imConfig = false;
    std::string setxkbmap;  // `setxkbmap -query` output, when there is an X display
    // The desktop's layouts changed and set up again: what fcitx5 had stays,
    // and --undo still goes back to before the first setup.
    std::pair<std::string, std::string> relayout = {};
    std::string kept = {};
  } cases[] = {
      {"ubuntu:GNOME",
       {},
       "GNOME: layouts us, ru, from GNOME's input sources",
       {{".config/fcitx5/profile", kFreshProfile},
        {".config/fcitx5/config", "[Behavior]\nShareInputState=All\n"},
        {".config/environment.d/90-brisquel-fcitx5.conf", "GTK_IM_MODULE=fcitx"},
        {".config/autostart/com.mebrun.velmonte.desktop", "velmonte-launcher"},
        {".config/glib-2.0/settings/keyfile", "sources=[('xkb', 'us')]"},
        {".config/glib-2.0/settings/keyfile", "enabled-extensions=['other@example.org', 'brisquel@brisquel.app']"}},
       false,
       ""},
      {"KDE",
       {{".config/kxkbrc", "[Layout]\nDisplayNames=,\nLayoutList=us,ru\nUse=true\nVariantList=,phonetic\n"},
        {".config/kwinrc", "[Xwayland]\nScale=1\n"},
        {".config/fcitx5/config", "[Hotkey]\nEnumerateWithTriggerKeys=True\n\n[Behavior]\nShareInputState=No\n"}},
       "KDE Plasma: layouts us, ru(phonetic), from ~/.config/kxkbrc",
       {{".config/fcitx5/profile", "Name=keyboard-ru-phonetic"},
        {".config/fcitx5/config", "[Hotkey]\nEnumerateWithTriggerKeys=True\n\n[Behavior]\nShareInputState=All\n"},
        {".xinputrc", "\nrun_im fcitx5\n"},
        {".config/kwinrc",
         "[Xwayland]\nScale=1\n\n[Wayland]\nInputMethod[$e]=/usr/share/applications/org.fcitx.Fcitx5.desktop\n"
         "VirtualKeyboardEnabled=true\n\n[Plugins]\nbrisquelEnabled=true\n"}},
       true,
       "",
       {".config/kxkbrc", "[Layout]\nLayoutList=us,gr\nUse=true\n"},
       "Name=keyboard-ru-phonetic"},
      {"sway",
       {{".config/sway/config", "set $mod Mod4\ninput type:keyboard {\n    xkb_layout \"us,ua\"\n}\n"}},
       "sway: layouts us, ua, from ~/.config/sway/config",
       {{".config/fcitx5/profile", "Name=keyboard-ua"},
        {".config/sway/config", "}\n\n# brisquel setup: fcitx5 with Brisquel\nexec /"}},
       false,
       ""},
      {"XFCE",
       {{".config/fcitx5/profile",
         "[Groups/0]\nName=Mine\n\n[Groups/0/Items/0]\nName=pinyin\nLayout=us\n\n"
         "[GroupOrder]\n0=Mine\n"}},
       "X11: layouts us, il, from X11's keyboard",
       {{".config/fcitx5/profile", "[Groups/0/Items/2]\nName=pinyin\nLayout=us\n"}},
       false,
       "rules:      evdev\nmodel:      pc105\nlayout:     us,il\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desktop);
    startIn(c.desktop, c.home);
    if (c.imConfig) writeScript(bin_ / "im-config", "exit 0\n");
    if (!c.setxkbmap.empty()) {
      set("DISPLAY", ":99");
      writeScript(bin_ / "setxkbmap", "printf '" + c.setxkbmap + "'\n");
    }
    if (c.desktop == "ubuntu:GNOME") {
      ASSERT_TRUE(fs::exists(bin_ / "gsettings")) << "needs gsettings (scripts/setup.sh installs libglib2.0-bin)";
      // GNOME Shell's schema, as far as setup reads it: the enabled extensions.
      const auto schemas = bin_ / "schemas";
      fs::create_directories(schemas);
      writeFile(schemas / "org.gnome.shell.gschema.xml",
                R"(<schemalist><schema id="org.gnome.shell" path="/org/gnome/shell/">)"
                R"(<key name="enabled-extensions" type="as"><default>[]</default></key></schema></schemalist>)");
      shell("/usr/bin/glib-compile-schemas " + schemas.string());
      set("GSETTINGS_SCHEMA_DIR", schemas.string());
      shell("gsettings set org.gnome.desktop.input-sources sources \"[('xkb', 'us'), ('xkb', 'ru')]\"");
      shell("gsettings set org.gnome.shell enabled-extensions \"['other@example.org']\"");
    }
    const auto before = snapshot(home_);

    auto r = runCli({"setup", "--dry-run"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find(c.layoutsLine), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Nothing was changed (--dry-run)"), std::string::npos) << r.out;
    EXPECT_EQ(snapshot(home_), before) << "a dry run changed files";

    r = runCli({"setup"});
    EXPECT_EQ(r.status, kExitOk) << r.out << r.err;
    for (const auto& [file, line] : c.wanted)
      EXPECT_NE(readFile(home_ / file).find(line), std::string::npos) << file << " lacks " << line << ":\n"
                                                                      << readFile(home_ / file);
    const auto after = snapshot(home_);

    r = runCli({"setup"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("Nothing to change"), std::string::npos) << r.out;
    EXPECT_EQ(snapshot(home_), after) << "a second run changed files";
    if (!c.relayout.first.empty()) {
      writeFile(home_ / c.relayout.first, c.relayout.second);
      ASSERT_EQ(runCli({"setup"}).status, kExitOk);
      EXPECT_NE(readFile(home_ / ".config/fcitx5/profile").find(c.kept), std::string::npos);
      writeFile(home_ / c.relayout.first, c.home.at(c.relayout.first));
    }

    r = runCli({"setup", "--undo"});
    EXPECT_EQ(r.status, kExitOk) << r.out << r.err;
    EXPECT_EQ(snapshot(home_), before) << r.out;
    if (c.desktop == "ubuntu:GNOME") {
      EXPECT_EQ(shell("gsettings get org.gnome.desktop.input-sources sources"), "[('xkb', 'us'), ('xkb', 'ru')]\n");
      EXPECT_EQ(shell("gsettings get org.gnome.shell enabled-extensions"), "['other@example.org']\n");
      set("GSETTINGS_SCHEMA_DIR", "");
    }
    EXPECT_NE(runCli({"setup", "--undo"}).out.find("Nothing to undo"), std::string::npos);
  }
}

// What cannot be set up is said, and no file is touched; nor by a dry run.
TEST_F(SetupTest, BadInputChangesNothingAndSaysWhy) {
  const struct {
    std::string desktop;
    std::map<std::string, std::string> home;
    std::vector<std::string> args;
    int status;
    std::string said;
  } cases[] = {
      {"KDE",
       {{".config/kxkbrc", "[Layout]\nLayoutList=us,ru\nUse=true\n"},
        {".config/fcitx5/profile", "[Groups/0]\nName=Default\n\x7f\x45LF\x02\x01\n"}},
       {"setup"},
       kExitFailure,
       "profile is not an fcitx5 profile (line 3"},
      {"KDE", {{".config/kxkbrc", "[Layout]\nUse=false\n"}}, {"setup"}, kExitFailure,
       "found no keyboard layouts in ~/.config/kxkbrc"},
      {"Hyprland", {}, {"setup"}, kExitFailure, "cannot tell which desktop this is (XDG_CURRENT_DESKTOP is \"Hyprland"},
      {"", {}, {"setup", "--desktop", "windows"}, kExitUsage, "--desktop wants gnome, kde, sway or x11"},
      {"", {}, {"setup", "--undo", "--layouts", "us"}, kExitUsage, "--undo takes no"},
      // Named on the command line, the layouts need no desktop settings.
      {"KDE", {}, {"setup", "--layouts", "us,ru(phonetic)", "--dry-run"}, kExitOk, "us, ru(phonetic), from --layouts"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    startIn(c.desktop, c.home);
    const auto before = snapshot(home_);
    const auto r = runCli(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE((c.status == kExitOk ? r.out : r.err).find(c.said), std::string::npos) << r.out << r.err;
    EXPECT_EQ(snapshot(home_), before);
  }
}

// The desktops' own ways of writing layouts.
TEST(SetupLayouts, ReadFromEachDesktopsText) {
  using setup::Layout;
  const struct {
    std::vector<Layout> got, want;
  } cases[] = {
      {setup::gnomeLayouts("[('xkb', 'us'), ('ibus', 'anthy'), ('xkb', 'ru+phonetic'), ('xkb', 'us')]"),
       {{"us", ""}, {"ru", "phonetic"}}},
      {setup::gnomeLayouts("@a(ss) []"), {}},
      {setup::kdeLayouts("[Layout]\nLayoutList=de,il\nVariantList=nodeadkeys,\nUse=true\n"),
       {{"de", "nodeadkeys"}, {"il", ""}}},
      {setup::swayLayouts("input * xkb_layout us,gr\ninput * xkb_variant ,polytonic\n"),
       {{"us", ""}, {"gr", "polytonic"}}},
      {setup::swayLayouts("bar {\n  xkb_layout fr\n}\ninput \"1:1:AT\" {\n  xkb_layout ara,us\n}\n"),
       {{"ara", ""}, {"us", ""}}},
      {setup::xkbQueryLayouts("layout:     us,ru\nvariant:    ,winkeys\n"), {{"us", ""}, {"ru", "winkeys"}}},
      {setup::layoutsArgument("us, ru(phonetic),ua+winkeys,x\ny,de;"),
       {{"us", ""}, {"ru", "phonetic"}, {"ua", "winkeys"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
  EXPECT_EQ(setup::inputMethodOf({"ru", "phonetic"}), "keyboard-ru-phonetic");
}

}  // namespace
}  // namespace brisquel::cli
