// Profile files: saving and opening the main window's and the adjustment
// window's fields, the key rules, the walk that stops at a refused frequency,
// the ".ini" rule, the dialogs and damaged or unwritable files.
#include "profiles/profiles.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "radio/channel_values.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The key names of a file, in order.
std::vector<std::string> Keys(const std::filesystem::path& path)
{
    std::vector<std::string> keys;
    std::istringstream lines(ReadAll(path));
    for (std::string line; std::getline(lines, line);)
        if (const auto equals = line.find('='); equals != std::string::npos)
            keys.push_back(line.substr(0, equals));
    return keys;
}

class ProfileTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        LastProfilePath.clear();
        form->Edit56.setText("4.0");
    }

    std::filesystem::path File(const std::string& name) const { return dir.path() / name; }

    std::filesystem::path Profile(const std::string& body, const std::string& name = "p.ini") const
    {
        WriteAll(File(name), "[parameter]\n" + body);
        return File(name);
    }

    void Open(const std::filesystem::path& path) { profiles::OpenProfile(*form, adjust.get(), path); }
    void Save(const std::filesystem::path& path) { profiles::SaveProfile(*form, adjust.get(), path); }

    std::string Key(const std::filesystem::path& path, const std::string& key, const std::string& missing = "<none>")
    {
        return platform::ProfileFile(path).readString("parameter", key, missing);
    }

    // The channel table filled with distinct in-band values and powers.
    void FillChannelTable()
    {
        for (int channel = 1; channel <= 16; ++channel) {
            form->TransmitBox(channel)->setText(radio::FormatMHz(420 + channel * 1.25));
            form->ReceiveBox(channel)->setText(radio::FormatMHz(480 - channel * 0.00625));
            form->SetChannelPower(channel, (channel - 1) % 5);
        }
    }

    void FillAdjustment()
    {
        adjust->Edit38.setText("-1");
        adjust->Edit39.setText("200");
        for (int n = 40; n <= 55; ++n)
            adjust->Box(n)->setText(std::to_string(n));
        for (int n = 60; n <= 99; ++n)
            adjust->Box(n)->setText(std::to_string(n * 2));
    }

    // Every field of both windows emptied.
    void ClearFields()
    {
        form->ClearChannelTable();
        form->ComboBox2.setItemIndex(-1);
        form->ComboBox3.setItemIndex(-1);
        for (int n = 38; n <= 99; ++n)
            if (tk::Edit* box = adjust->Box(n))
                box->setText("");
    }

    TempDir dir{"varnel-profiles-"};
};

// ---- round trip -----------------------------------------------------------------

TEST_F(ProfileTest, WhatIsSavedComesBackUnchanged)
{
    FillChannelTable();
    form->ComboBox2.setItemIndex(5);
    form->ComboBox3.setItemIndex(1);
    FillAdjustment();
    Save(File("p.ini"));

    std::vector<std::string> texts;
    for (int channel = 1; channel <= 16; ++channel)
        texts.push_back(form->TransmitBox(channel)->text() + "/" + form->ReceiveBox(channel)->text() + "/" +
                        std::to_string(form->GetChannelPower(channel)));
    ClearFields();
    Open(File("p.ini"));

    for (int channel = 1; channel <= 16; ++channel)
        EXPECT_EQ(form->TransmitBox(channel)->text() + "/" + form->ReceiveBox(channel)->text() + "/" +
                      std::to_string(form->GetChannelPower(channel)),
                  texts[static_cast<std::size_t>(channel - 1)]);
    EXPECT_EQ(form->ComboBox2.text(), "Close");
    EXPECT_EQ(form->ComboBox3.text(), "25k");
    EXPECT_EQ(adjust->Edit38.text(), "-1");
    EXPECT_EQ(adjust->Edit39.text(), "200");
    for (int n = 40; n <= 55; ++n)
        EXPECT_EQ(adjust->Box(n)->text(), std::to_string(n));
    for (int n = 60; n <= 99; ++n)
        EXPECT_EQ(adjust->Box(n)->text(), std::to_string(n * 2));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ProfileTest, ANewFileHoldsTheKeysInWalkOrderWithTheirValues)
{
    FillChannelTable();
    form->ComboBox2.setItemIndex(0);
    form->ComboBox3.setItemIndex(-1);
    FillAdjustment();
    Save(File("p.ini"));

    std::vector<std::string> expected;
    for (int k = 1; k <= 16; ++k) {
        expected.push_back("tx" + std::to_string(k));
        expected.push_back("rx" + std::to_string(k));
    }
    for (int k = 1; k <= 16; ++k)
        expected.push_back("power" + std::to_string(k));
    expected.insert(expected.end(), {"Squelch Level", "Band Control", "RX Adjust Parameter", "5165"});
    for (int j = 1; j <= 8; ++j)
        expected.push_back("RX S" + std::to_string(j));
    for (int j = 1; j <= 8; ++j)
        expected.push_back("5165 S" + std::to_string(j));
    for (int j = 1; j <= 40; ++j)
        expected.push_back("TX PT" + std::to_string(j));
    EXPECT_EQ(Keys(File("p.ini")), expected);
    EXPECT_TRUE(ReadAll(File("p.ini")).starts_with("[parameter]\n"));

    EXPECT_EQ(Key(File("p.ini"), "tx1"), "42125000");
    EXPECT_EQ(Key(File("p.ini"), "rx3"), "47998125");
    EXPECT_EQ(Key(File("p.ini"), "power1"), "1");
    EXPECT_EQ(Key(File("p.ini"), "power5"), "5");
    EXPECT_EQ(Key(File("p.ini"), "power6"), "1");
    EXPECT_EQ(Key(File("p.ini"), "Squelch Level"), "0");
    EXPECT_EQ(Key(File("p.ini"), "Band Control"), "-1");
    EXPECT_EQ(Key(File("p.ini"), "RX Adjust Parameter"), "-1");
    EXPECT_EQ(Key(File("p.ini"), "RX S8"), "47");
    EXPECT_EQ(Key(File("p.ini"), "5165 S1"), "48");
    EXPECT_EQ(Key(File("p.ini"), "TX PT1"), "120");
    EXPECT_EQ(Key(File("p.ini"), "TX PT40"), "198");
}

TEST_F(ProfileTest, TypedFrequenciesAreSavedToTheUnitAndSnappedWhenOpened)
{
    struct Case {
        const char* typed;
        const char* stored;
        const char* shown;
    };
    // Typed but not yet left: the exit check has not rounded them.
    const Case cases[] = {
        {"435.12346", "43512346", "435.12345"},
        {"436.00023", "43600023", "436.00025"},
        {"437.00005", "43700005", "437.00005"},
        {"438.123456", "43812345", "438.12345"},
        {"439.11875", "43911875", "439.11875"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        form->Edit6.setText(c.typed);
        ASSERT_EQ(form->Edit6.text(), c.typed);
        Save(File("p.ini"));
        EXPECT_EQ(Key(File("p.ini"), "tx1"), c.stored);
        form->Edit6.setText("");
        Open(File("p.ini"));
        EXPECT_EQ(form->Edit6.text(), c.shown);
    }
}

TEST_F(ProfileTest, VhfValuesAreSavedExactlyToo)
{
    form->Edit56.setText("3.1");
    form->Edit6.setText("136.00023");
    form->Edit7.setText("150.00014");
    Save(File("p.ini"));
    EXPECT_EQ(Key(File("p.ini"), "tx1"), "13600023");
    EXPECT_EQ(Key(File("p.ini"), "rx1"), "15000014");
}

// ---- opening: values --------------------------------------------------------------------

TEST_F(ProfileTest, StoredFrequenciesAreSnappedOrRefusedSilently)
{
    struct Case {
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {"43511870", "435.11870"}, {"43511871", "435.11870"}, {"43511872", "435.11870"},
        {"43511873", "435.11875"}, {"43511874", "435.11875"}, {"43511875", "435.11875"},
        {"+43512500", "435.12500"}, {"\"43512500\"", "435.12500"}, {"5", "000.00005"},
        {"4", ""}, {"0", ""}, {"-43512500", ""}, {"100000000", ""}, {"435.12500", ""},
        {"43512500x", ""}, {"abc", ""}, {"99999999999999", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        form->Edit9.setText("450.00000");
        Open(Profile(std::string("rx2=") + c.stored + "\n"));
        EXPECT_EQ(form->Edit9.text(), c.shown);
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ProfileTest, PowerSquelchAndBandOutsideTheirListsSelectNothing)
{
    struct Case {
        const char* stored;
        int power;   // index of channel 3's power afterwards
        int squelch; // the same value as squelch and band index
        int band;
    };
    const Case cases[] = {
        {"0", -1, 0, 0}, {"6", -1, -1, -1}, {"-1", -1, -1, -1}, {"5", 4, 5, -1},
        {"1", 0, 1, 1},  {"x", -1, 0, 0},   {"", -1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        form->SetChannelPower(3, 2);
        form->ComboBox2.setItemIndex(3);
        form->ComboBox3.setItemIndex(0);
        const std::string v = c.stored;
        Open(Profile("power3=" + v + "\nSquelch Level=" + v + "\nBand Control=" + v + "\n"));
        EXPECT_EQ(form->GetChannelPower(3), c.power);
        EXPECT_EQ(form->ComboBox2.itemIndex(), c.squelch);
        EXPECT_EQ(form->ComboBox3.itemIndex(), c.band);
    }
}

TEST_F(ProfileTest, AnEmptiedFieldIsSavedEmptyAndOpensEmpty)
{
    FillChannelTable();
    form->ReceiveBox(7)->setText("");
    Save(File("p.ini"));
    EXPECT_EQ(Key(File("p.ini"), "rx7"), "");
    FillChannelTable();
    Open(File("p.ini"));
    EXPECT_EQ(form->ReceiveBox(7)->text(), "");
    EXPECT_EQ(form->TransmitBox(8)->text(), "430.00000");
}

TEST_F(ProfileTest, AdjustmentValuesPassTheirOwnChecksAndTheOpenerGoesOn)
{
    adjust->Edit38.setText("4");
    Open(Profile("RX Adjust Parameter=300\n5165=-7\nRX S1=-1\nTX PT1=12a\nTX PT40=9\n"));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"the value is too big!", "the value is too small!",
                                                    "\"12a\" is not a valid integer value!"}));
    EXPECT_EQ(adjust->Edit38.text(), "4");
    EXPECT_EQ(adjust->Edit39.text(), "-7");
    EXPECT_EQ(adjust->Edit40.text(), "");
    EXPECT_EQ(adjust->Edit60.text(), "");
    EXPECT_EQ(adjust->Edit99.text(), "9");
}

TEST_F(ProfileTest, KeysMatchWithoutRegardToCaseAndHandEditedBlanks)
{
    Open(Profile("TX1 = 43512500\n  rx1=43600000  \nPOWER1=3\nsquelch level=2\n"));
    EXPECT_EQ(form->Edit6.text(), "435.12500");
    EXPECT_EQ(form->Edit7.text(), "436.00000");
    EXPECT_EQ(form->ComboBox4.text(), "3W");
    EXPECT_EQ(form->ComboBox2.text(), "Level3");
}

// ---- opening: refusals stop the table walk -------------------------------------------------

TEST_F(ProfileTest, BeforeTheVersionIsKnownTheFirstFrequencyStopsTheTable)
{
    FillChannelTable();
    form->Edit56.setText("");
    Open(Profile("tx1=43512500\nrx1=43512500\ntx2=43600000\npower1=5\nSquelch Level=4\nBand Control=0\n"
                 "RX Adjust Parameter=17\nTX PT3=8\n"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Please read model and version first!"});
    EXPECT_EQ(form->Edit6.text(), "");
    // The rest of the table keeps what it held.
    EXPECT_EQ(form->Edit7.text(), "479.99375");
    EXPECT_EQ(form->Edit8.text(), "422.50000");
    EXPECT_EQ(form->GetChannelPower(1), 0);
    // Squelch, bandwidth and the adjustment values still load.
    EXPECT_EQ(form->ComboBox2.text(), "Level5");
    EXPECT_EQ(form->ComboBox3.text(), "12.5k");
    EXPECT_EQ(adjust->Edit38.text(), "17");
    EXPECT_EQ(adjust->Edit62.text(), "8");
}

TEST_F(ProfileTest, EmptyKeysBeforeTheFirstValueAreStillEmptiedFirst)
{
    FillChannelTable();
    form->Edit56.setText("");
    Open(Profile("rx1=43512500\n"));
    EXPECT_EQ(form->Edit6.text(), "");
    EXPECT_EQ(form->Edit7.text(), "");
    EXPECT_EQ(form->Edit8.text(), "422.50000");
    EXPECT_EQ(Messages().size(), 1U);
}

TEST_F(ProfileTest, AFrequencyAboveTheModelsLimitStopsTheTableThere)
{
    form->Edit56.setText("3.1");
    for (int channel = 1; channel <= 16; ++channel)
        form->TransmitBox(channel)->setText("150.00000");
    form->Edit7.setText("151.00000");
    form->SetChannelPower(1, 3);
    Open(Profile("tx1=14000000\nrx1=43512500\ntx2=14100000\npower1=2\nSquelch Level=1\n"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"the value is too big!"});
    EXPECT_EQ(form->Edit6.text(), "140.00000");
    EXPECT_EQ(form->Edit7.text(), "151.00000"); // its previous text, put back
    EXPECT_EQ(form->Edit8.text(), "150.00000"); // not reached
    EXPECT_EQ(form->GetChannelPower(1), 3);     // not reached
    EXPECT_EQ(form->ComboBox2.text(), "Level2");
    EXPECT_EQ(form->Link.EntryRejected, link::kEntryRejected);
}

TEST_F(ProfileTest, ARefusalLeftFromAnEarlierEntryDoesNotStopTheWalk)
{
    form->Link.EntryRejected = link::kEntryRejected;
    Open(Profile("tx2=43512500\npower16=4\n"));
    EXPECT_EQ(form->Edit8.text(), "435.12500");
    EXPECT_EQ(form->GetChannelPower(16), 3);
}

// ---- opening: files that are no profile ----------------------------------------------------

TEST_F(ProfileTest, MissingBinaryAndHugeFilesReadAsDefaults)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 131 + 7) % 256));
    binary.push_back('\0');
    binary += "[parameter]\ntx1=43512500\n";
    WriteAll(File("binary.ini"), binary);

    std::string huge = "[parameter]\ntx1=43512500\n";
    while (huge.size() <= 1024 * 1024)
        huge += "; a long comment line that makes the file far too big for a profile\n";
    WriteAll(File("huge.ini"), huge);

    std::filesystem::create_directory(File("folder.ini"));

    for (const char* name : {"missing.ini", "binary.ini", "huge.ini", "folder.ini"}) {
        SCOPED_TRACE(name);
        FillChannelTable();
        form->ComboBox2.setItemIndex(2);
        form->ComboBox3.setItemIndex(1);
        FillAdjustment();
        Open(File(name));
        for (int channel = 1; channel <= 16; ++channel) {
            EXPECT_EQ(form->TransmitBox(channel)->text(), "");
            EXPECT_EQ(form->ReceiveBox(channel)->text(), "");
            EXPECT_EQ(form->GetChannelPower(channel), -1);
        }
        EXPECT_EQ(form->ComboBox2.itemIndex(), -1);
        EXPECT_EQ(form->ComboBox3.itemIndex(), -1);
        for (int n = 38; n <= 99; ++n) {
            if (const tk::Edit* box = adjust->Box(n)) {
                EXPECT_EQ(box->text(), "") << box->name();
            }
        }
        EXPECT_TRUE(Messages().empty());
    }
}

TEST_F(ProfileTest, AProfileJustUnderTheSizeLimitStillOpens)
{
    std::string body = "tx1=43512500\n";
    while (body.size() < 512 * 1024)
        body += "; padding\n";
    Open(Profile(body));
    EXPECT_EQ(form->Edit6.text(), "435.12500");
}

TEST_F(ProfileTest, WithoutTheAdjustmentWindowTheMainWindowStillLoads)
{
    Open(Profile("tx1=43512500\nRX Adjust Parameter=4\n"));
    profiles::OpenProfile(*form, nullptr, Profile("tx1=43600000\nRX Adjust Parameter=5\n"));
    EXPECT_EQ(form->Edit6.text(), "436.00000");
    EXPECT_EQ(adjust->Edit38.text(), "4");
    profiles::SaveProfile(*form, nullptr, File("q.ini"));
    EXPECT_EQ(Key(File("q.ini"), "tx1"), "43600000");
    EXPECT_EQ(Key(File("q.ini"), "RX Adjust Parameter"), "<none>");
}

// ---- saving: keys of the adjustment window ---------------------------------------------------

TEST_F(ProfileTest, AdjustmentKeysAreWrittenOnlyWhenTheirFieldsAreFilled)
{
    const auto path = Profile("RX Adjust Parameter=1\n5165=2\nRX S1=3\n5165 S8=4\nTX PT1=5\nTX PT40=6\nunknown=7\n");
    Save(path);
    EXPECT_EQ(Key(path, "RX Adjust Parameter"), "1");
    EXPECT_EQ(Key(path, "5165"), "2");
    EXPECT_EQ(Key(path, "RX S1"), "3");
    EXPECT_EQ(Key(path, "5165 S8"), "4");
    EXPECT_EQ(Key(path, "TX PT40"), "6");
    EXPECT_EQ(Key(path, "unknown"), "7");

    // A table is written whole, empty boxes included, once its first box is filled.
    adjust->Edit40.setText("9");
    adjust->Edit60.setText("8");
    Save(path);
    EXPECT_EQ(Key(path, "RX S1"), "9");
    EXPECT_EQ(Key(path, "5165 S8"), "");
    EXPECT_EQ(Key(path, "TX PT1"), "8");
    EXPECT_EQ(Key(path, "TX PT40"), "");

    // Only the first box counts.
    adjust->Edit40.setText("");
    adjust->Edit41.setText("5");
    adjust->Edit60.setText("");
    Save(path);
    EXPECT_EQ(Key(path, "RX S1"), "9");
    EXPECT_EQ(Key(path, "RX S2"), "");

    // Opening that file fills the fields from the values it kept.
    ClearFields();
    Open(path);
    EXPECT_EQ(adjust->Edit38.text(), "1");
    EXPECT_EQ(adjust->Edit40.text(), "9");
    EXPECT_EQ(adjust->Edit60.text(), "8");
}

TEST_F(ProfileTest, AFrequencyThatIsNoNumberEndsTheSaveAfterTheKeysBeforeIt)
{
    form->Edit6.setText("435.12500");
    form->Edit7.setText("436.00000");
    form->Edit8.onChange = nullptr;
    form->Edit8.setText("abc");
    EXPECT_THROW(Save(File("p.ini")), std::invalid_argument);
    EXPECT_EQ(Keys(File("p.ini")), (std::vector<std::string>{"tx1", "rx1"}));
}

// ---- commands and dialogs -------------------------------------------------------------------

using ProfileCommands = ProfileTest;

TEST_F(ProfileCommands, TheIniExtensionRule)
{
    struct Case {
        const char* chosen;
        const char* written;
    };
    const Case cases[] = {
        {"profile.INI", "profile.INI.ini"},
        {"profile.ini", "profile.ini"},
        {"profile", "profile.ini"},
        {"profile.Ini", "profile.Ini.ini"},
        {"a.ini.txt", "a.ini.txt.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        backend.answerSave(File(c.chosen));
        profiles::SaveProfileCommand(*form);
        EXPECT_EQ(LastProfilePath, File(c.written).string());
        EXPECT_TRUE(std::filesystem::exists(File(c.written)));
        if (std::string(c.chosen) != c.written) {
            EXPECT_FALSE(std::filesystem::exists(File(c.chosen)));
        }
    }
    EXPECT_EQ(profiles::WithIniExtension(".ini"), ".ini");
    EXPECT_EQ(profiles::WithIniExtension("ini"), "ini.ini");
}

TEST_F(ProfileCommands, DialogsUseTheFilterAndTheSaveDialogStartsAtTheLastProfile)
{
    backend.answerOpen(Profile("tx1=43512500\n", "first.ini"));
    profiles::OpenProfileCommand(*form);
    EXPECT_EQ(form->Edit6.text(), "435.12500");
    EXPECT_EQ(LastProfilePath, File("first.ini").string());

    backend.answerSave(std::nullopt);
    profiles::SaveProfileCommand(*form);
    ASSERT_EQ(backend.fileDialogs().size(), 2U);
    const auto& open = backend.fileDialogs()[0];
    const auto& save = backend.fileDialogs()[1];
    EXPECT_FALSE(open.save);
    EXPECT_TRUE(save.save);
    for (const auto* dialog : {&open, &save}) {
        EXPECT_EQ(dialog->options.filter, "*.ini|*.ini");
        EXPECT_EQ(dialog->options.defaultExt, "");
    }
    EXPECT_EQ(save.options.initialName, "first.ini");
    EXPECT_EQ(save.options.initialDir, dir.path());
    // Cancelled: nothing written, the path stays.
    EXPECT_EQ(Keys(File("first.ini")), std::vector<std::string>{"tx1"});
    EXPECT_EQ(LastProfilePath, File("first.ini").string());

    // A cancelled open changes nothing either.
    backend.answerOpen(std::nullopt);
    profiles::OpenProfileCommand(*form);
    EXPECT_EQ(form->Edit6.text(), "435.12500");
    EXPECT_EQ(LastProfilePath, File("first.ini").string());
}

TEST_F(ProfileCommands, ANewSessionStartsTheSaveDialogEmpty)
{
    backend.answerSave(std::nullopt);
    profiles::SaveProfileCommand(*form);
    ASSERT_EQ(backend.fileDialogs().size(), 1U);
    EXPECT_EQ(backend.fileDialogs()[0].options.initialName, "");
}

TEST_F(ProfileCommands, AProfileThatCannotBeWrittenShowsItsPath)
{
    const auto missingDir = File("missing") / "p.ini";
    backend.answerSave(missingDir);
    profiles::SaveProfileCommand(*form);
    ASSERT_EQ(backend.messages().size(), 1U);
    EXPECT_EQ(backend.messages()[0].text, "Unable to write to " + missingDir.string());
    EXPECT_EQ(backend.messages()[0].icon, tk::Icon::Error);

    // A write-protected file is refused and keeps its content.
    const auto locked = Profile("tx1=1\n", "locked.ini");
    ::chmod(locked.c_str(), 0444);
    form->Edit6.setText("435.12500");
    backend.clearMessages();
    backend.answerSave(locked);
    profiles::SaveProfileCommand(*form);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Unable to write to " + locked.string()});
    EXPECT_EQ(ReadAll(locked), "[parameter]\ntx1=1\n");
    ::chmod(locked.c_str(), 0644);
}

TEST_F(ProfileCommands, ANumberErrorWhileSavingIsShownToo)
{
    form->Edit6.onChange = nullptr;
    form->Edit6.setText("12,5");
    backend.answerSave(File("p.ini"));
    profiles::SaveProfileCommand(*form);
    ASSERT_EQ(backend.messages().size(), 1U);
    EXPECT_EQ(backend.messages()[0].text, "'12,5' is not a valid floating point value");
}

// ---- key names -------------------------------------------------------------------------------

TEST(ProfileKeys, FollowTheNumbersInTheControlNames)
{
    struct Case {
        std::string (*keyOf)(std::string_view);
        const char* name;
        const char* key;
    };
    const Case cases[] = {
        {&profiles::ChannelTableKey, "Edit6", "tx1"},      {&profiles::ChannelTableKey, "Edit7", "rx1"},
        {&profiles::ChannelTableKey, "Edit36", "tx16"},    {&profiles::ChannelTableKey, "Edit37", "rx16"},
        {&profiles::ChannelTableKey, "ComboBox4", "power1"}, {&profiles::ChannelTableKey, "ComboBox19", "power16"},
        {&profiles::ChannelTableKey, "Edit38", ""},        {&profiles::ChannelTableKey, "ComboBox20", ""},
        {&profiles::ChannelTableKey, "Label5", ""},        {&profiles::ChannelTableKey, "TxUnit3", ""},
        {&profiles::STableKey, "Edit40", "RX S1"},         {&profiles::STableKey, "Edit47", "RX S8"},
        {&profiles::STableKey, "Edit48", "5165 S1"},       {&profiles::STableKey, "Edit55", "5165 S8"},
        {&profiles::STableKey, "Edit56", ""},              {&profiles::STableKey, "SLabel1", ""},
        {&profiles::PowerTableKey, "Edit60", "TX PT1"},    {&profiles::PowerTableKey, "Edit99", "TX PT40"},
        {&profiles::PowerTableKey, "Edit59", ""},          {&profiles::PowerTableKey, "Edit100", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.keyOf(c.name), c.key) << c.name;
}

} // namespace
} // namespace varnel::test
