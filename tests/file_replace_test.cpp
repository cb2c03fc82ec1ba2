// The replace decision: the outcome of every mode and answer, the dialog's
// texts, the comparison on this computer's clock, and names and files the
// dialog must cope with.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QLocale>
#include <QTest>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>

#include "cabinet/FileReplace.h"
#include "platform/sysutils.h"
#include "tests/support/ScriptedUser.h"
#include "tests/support/WindowsWorld.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kEastOfUtc = "<+02>-2";
constexpr const char* kWestOfUtc = "<-05>5";

// This computer's time zone for the span of a test.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) previous_ = previous;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZone() {
    previous_ ? setenv("TZ", previous_->c_str(), 1) : unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> previous_;
};

class GermanLocale {
 public:
  GermanLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
  ~GermanLocale() { QLocale::setDefault(previous_); }

 private:
  QLocale previous_;
};

TDateTime At(int year, int month, int day, int hour, int minute) {
  TDateTime date = 0, time = 0;
  TryEncodeDate(year, month, day, date);
  TryEncodeTime(hour, minute, 0, 0, time);
  return date + time;
}

// Gives the file that last-write time on this computer's clock.
void SetWriteTime(const fs::path& file, int year, int month, int day, int hour, int minute) {
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_isdst = -1;
  const timespec moment{std::mktime(&fields), 0};
  const timespec times[2] = {moment, moment};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

}  // namespace

class FileReplace : public ::testing::Test {
 protected:
  // An existing file last written at 1999-05-03 09:05 on this computer's clock.
  std::string Existing(const std::string& name, const std::string& bytes = "alt") {
    world.Write(name, bytes);
    SetWriteTime(world.Host(name), 1999, 5, 3, 9, 5);
    return world.Windows(name);
  }

  TimeZone zone{kEastOfUtc};
  GermanLocale locale;
  WindowsWorld world;
};

TEST_F(FileReplace, TheModeAndTheAnswerDecide) {
  enum Age { kNoFile, kOlder, kEqual, kNewer };
  struct Case {
    const char* what;
    TReplaceMode mode;
    Age existing;
    std::function<void(ScriptedUser::Step&)> answer;  // empty: no dialog
    TReplaceMode modeAfter;
    bool replace;
  };
  const auto click = [](const char* button) { return [button](ScriptedUser::Step& s) { s.Click(button); }; };
  const Case cases[] = {
      {"no file there", rmAsk, kNoFile, {}, rmAsk, true},
      {"all, unasked", rmAll, kNewer, {}, rmAll, true},
      {"older only, older", rmOlderOnly, kOlder, {}, rmOlderOnly, true},
      {"older only, same time", rmOlderOnly, kEqual, {}, rmOlderOnly, false},
      {"older only, newer", rmOlderOnly, kNewer, {}, rmOlderOnly, false},
      {"Ja", rmAsk, kNewer, click("&Ja"), rmAsk, true},
      {"ältere Dateien, newer", rmAsk, kNewer, click("ältere Dateien"), rmOlderOnly, false},
      {"ältere Dateien, older", rmAsk, kOlder, click("ältere Dateien"), rmOlderOnly, true},
      {"Alle Dateien", rmAsk, kNewer, click("Alle Dateien"), rmAll, true},
      {"Nein", rmAsk, kOlder, click("&Nein"), rmAsk, false},
      {"Esc", rmAsk, kOlder, [](ScriptedUser::Step& s) { s.PressKey(Qt::Key_Escape); }, rmAsk, false},
      {"close box", rmAsk, kNewer, [](ScriptedUser::Step& s) { s.CloseWindow(); }, rmAsk, true},
  };
  const TDateTime incoming[] = {At(1999, 5, 3, 9, 5), At(1999, 5, 3, 10, 0), At(1999, 5, 3, 9, 5),
                                At(1999, 5, 3, 8, 0)};
  for (const Case& c : cases) {
    const std::string file = c.existing == kNoFile ? world.Windows("neu.dll") : Existing("kasse.dll");
    ScriptedUser user;
    if (c.answer) c.answer(user.ExpectForm("Ersetzen von Dateien bestätigen"));
    TReplaceMode mode = c.mode;
    EXPECT_EQ(ConfirmReplace(file, 3, mode, incoming[c.existing]), c.replace) << c.what;
    EXPECT_EQ(mode, c.modeAfter) << c.what;
  }
}

TEST_F(FileReplace, TheDialogShowsBothFiles) {
  const std::string file = Existing("Programme/Kasse.exe", std::string(1234, 'x'));
  ScriptedUser user;
  user.ExpectForm("Ersetzen von Dateien bestätigen")
      .Do([](QWidget* window) {
        auto* dialog = static_cast<TReplaceFileDlg*>(window);
        EXPECT_EQ(dialog->InfoLabel1->Caption(), "Der Ordner enthält bereits eine Datei namens \"Kasse.exe\"");
        EXPECT_EQ(dialog->FileInfo1->Caption(), "1234 Bytes\ngeändert am Montag, 3 Mai 1999, 09:05");
        EXPECT_EQ(dialog->FileInfo2->Caption(), "5678 Bytes\ngeändert am Dienstag, 29 Februar 2000, 14:07");
        const QImage icon = dialog->FileIcon1->pixmap().toImage();
        EXPECT_FALSE(icon.isNull());
        EXPECT_EQ(icon.size(), QSize(32, 32));
        EXPECT_EQ(dialog->FileIcon2->pixmap().toImage(), icon);
      })
      .Click("&Nein");
  TReplaceMode mode = rmAsk;
  EXPECT_FALSE(ConfirmReplace(file, 5678, mode, At(2000, 2, 29, 14, 7)));
}

TEST_F(FileReplace, AgeIsTakenOnThisComputersClockEastAndWestOfUtc) {
  for (const char* where : {kEastOfUtc, kWestOfUtc}) {
    TimeZone here(where);
    world.Write("kasse.dll", "alt");
    SetWriteTime(world.Host("kasse.dll"), 1999, 5, 3, 10, 0);
    EXPECT_FALSE(IsFileOlder(world.Windows("kasse.dll"), At(1999, 5, 3, 9, 0))) << where;
    EXPECT_FALSE(IsFileOlder(world.Windows("kasse.dll"), At(1999, 5, 3, 10, 0))) << where;
    EXPECT_TRUE(IsFileOlder(world.Windows("kasse.dll"), At(1999, 5, 3, 11, 0))) << where;
  }
}

TEST_F(FileReplace, NamesAndFilesTheDialogMustCopeWith) {
  TReplaceFileDlg dialog;
  // 300 characters do not fit a name on the host; the file is gone, as one can
  // be between the existence test and the search.
  std::string longName;
  while (longName.size() < 300) longName += "Kassenbuch Jahresabschluss ";
  longName.resize(300);
  dialog.SetFileInfo(world.Windows("") + "\\" + longName);
  EXPECT_EQ(dialog.InfoLabel1->geometry(), QRect(8, 4, 325, 33));
  EXPECT_GT(dialog.InfoLabel1->heightForWidth(325), 33) << "the rest of the name is clipped";
  EXPECT_EQ(dialog.FileInfo1->Caption(), "");
  EXPECT_TRUE(IsFileOlder(world.Windows("weg.dll"), At(1999, 5, 3, 9, 0))) << "nothing is left to keep";

  const std::string oddName = "Steuer\x01\tsatz\xff\xfe.dat";
  dialog.SetFileInfo(Existing(oddName));
  EXPECT_NE(dialog.InfoLabel1->text().indexOf(QChar::ReplacementCharacter), -1);
  EXPECT_EQ(dialog.FileInfo1->Caption(), "3 Bytes\ngeändert am Montag, 3 Mai 1999, 09:05");

  // Sizes are the low 32 bits, as a signed number.
  world.Write("gross.bin", "");
  fs::resize_file(world.Host("gross.bin"), 0x80000005ull);
  dialog.SetFileInfo(world.Windows("gross.bin"));
  EXPECT_EQ(dialog.FileInfo1->Caption().substr(0, 18), "-2147483643 Bytes\n");

  EXPECT_THROW(dialog.BtnClick(dialog.InfoLabel1), Exception) << "only a button answers";
}

TEST(DateText, PatternsAsTheRuntimeFormatsThem) {
  GermanLocale locale;
  const TDateTime moment = At(2007, 1, 9, 7, 3) + 4.0 / 86400;
  const std::pair<const char*, const char*> cases[] = {
      {"dd.mm.yyyy hh:nn:ss", "09.01.2007 07:03:04"},
      {"d/m/yy h:mm", "9/1/07 7:03"},
      {"ddd, d. mmm 'mm' \"dddd\"", "Di., 9. Jan. mm dddd"},
      {"hh 'Uhr' mm", "07 Uhr 03"},
  };
  for (const auto& [pattern, text] : cases) EXPECT_EQ(FormatDateTime(pattern, moment), text) << pattern;
}
