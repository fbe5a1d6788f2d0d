// The factory adjustment window: the radio's calibration values (RX adjust,
// the 5165 value, the two S tables, the transmit power table) and its
// parameter backup.
//
// The window has no port of its own. Requests go out through the main
// window's SendFrame, replies come back through the main window's dispatcher,
// which hands the values to the Show* members below. The main window is
// reached through the application-wide MForm; without it (a window used on
// its own) the operations do nothing.
//
// Table boxes are addressed by the number in their names, not by their place
// on screen: S-table byte = number - 40, power-table byte = number - 60.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace varnel {

class TAdjust : public tk::Form {
public:
    static constexpr int ClientWidth = 640;
    static constexpr int ClientHeight = 566;

    static constexpr int FirstSTableBox = 40;    // Edit40 .. Edit55
    static constexpr int STableSize = 16;        // RX S1..8, then 5165 S1..8
    static constexpr int FirstPowerTableBox = 60; // Edit60 .. Edit99
    static constexpr int PowerTableSize = 40;     // 8 frequency rows x 5 levels
    static constexpr int PowerRows = 8;
    static constexpr int PowerLevels = 5;

    TAdjust();
    ~TAdjust() override;

    // ---- RX adjust value ----
    tk::GroupBox& GroupBox2;
    tk::Edit& Edit38;
    tk::Button& Button7; // Read
    tk::Button& Button8; // Set

    // ---- 5165 value ----
    tk::GroupBox& GroupBox3;
    tk::Edit& Edit39;
    tk::Button& Button9;  // Read
    tk::Button& Button10; // Set

    // ---- backup ----
    tk::GroupBox& GroupBox5;
    tk::Button& Button3; // Backup Parameters
    tk::Button& Button4; // Check the validity of the backup
    tk::Button& Button5; // Restore Parameters

    // ---- S tables: Edit40..Edit47 "RX S1".."RX S8", Edit48..Edit55 "5165 S1".."5165 S8" ----
    tk::GroupBox& GroupBox6;
    tk::Edit& Edit40; // RX S1
    tk::Edit& Edit41; // RX S2
    tk::Edit& Edit42; // RX S3
    tk::Edit& Edit43; // RX S4
    tk::Edit& Edit44; // RX S5
    tk::Edit& Edit45; // RX S6
    tk::Edit& Edit46; // RX S7
    tk::Edit& Edit47; // RX S8
    tk::Edit& Edit48; // 5165 S1
    tk::Edit& Edit49; // 5165 S2
    tk::Edit& Edit50; // 5165 S3
    tk::Edit& Edit51; // 5165 S4
    tk::Edit& Edit52; // 5165 S5
    tk::Edit& Edit53; // 5165 S6
    tk::Edit& Edit54; // 5165 S7
    tk::Edit& Edit55; // 5165 S8
    tk::Button& Button2; // Read
    tk::Button& Button1; // Set

    // ---- power table: Edit60..Edit99, row r level l at 60 + (r-1)*5 + (l-1) ----
    tk::GroupBox& GroupBox1;
    tk::Edit& Edit60; // row 1, 1W
    tk::Edit& Edit61; // row 1, 2W
    tk::Edit& Edit62; // row 1, 3W
    tk::Edit& Edit63; // row 1, 4W
    tk::Edit& Edit64; // row 1, 5W
    tk::Edit& Edit65; // row 2, 1W
    tk::Edit& Edit66; // row 2, 2W
    tk::Edit& Edit67; // row 2, 3W
    tk::Edit& Edit68; // row 2, 4W
    tk::Edit& Edit69; // row 2, 5W
    tk::Edit& Edit70; // row 3, 1W
    tk::Edit& Edit71; // row 3, 2W
    tk::Edit& Edit72; // row 3, 3W
    tk::Edit& Edit73; // row 3, 4W
    tk::Edit& Edit74; // row 3, 5W
    tk::Edit& Edit75; // row 4, 1W
    tk::Edit& Edit76; // row 4, 2W
    tk::Edit& Edit77; // row 4, 3W
    tk::Edit& Edit78; // row 4, 4W
    tk::Edit& Edit79; // row 4, 5W
    tk::Edit& Edit80; // row 5, 1W
    tk::Edit& Edit81; // row 5, 2W
    tk::Edit& Edit82; // row 5, 3W
    tk::Edit& Edit83; // row 5, 4W
    tk::Edit& Edit84; // row 5, 5W
    tk::Edit& Edit85; // row 6, 1W
    tk::Edit& Edit86; // row 6, 2W
    tk::Edit& Edit87; // row 6, 3W
    tk::Edit& Edit88; // row 6, 4W
    tk::Edit& Edit89; // row 6, 5W
    tk::Edit& Edit90; // row 7, 1W
    tk::Edit& Edit91; // row 7, 2W
    tk::Edit& Edit92; // row 7, 3W
    tk::Edit& Edit93; // row 7, 4W
    tk::Edit& Edit94; // row 7, 5W
    tk::Edit& Edit95; // row 8, 1W
    tk::Edit& Edit96; // row 8, 2W
    tk::Edit& Edit97; // row 8, 3W
    tk::Edit& Edit98; // row 8, 4W
    tk::Edit& Edit99; // row 8, 5W
    tk::Button& Button12; // Read
    tk::Button& Button6;  // Set

    // The boxes by number (38..99); null for a number that has no box.
    tk::Edit* Box(int number) const;

    // ---- event handlers ----
    void FormCreate(tk::Control& Sender);
    void Button1Click(tk::Control& Sender);  // set S tables
    void Button2Click(tk::Control& Sender);  // read S tables
    void Button3Click(tk::Control& Sender);  // back up
    void Button4Click(tk::Control& Sender);  // check backup
    void Button5Click(tk::Control& Sender);  // restore
    void Button6Click(tk::Control& Sender);  // set power table
    void Button7Click(tk::Control& Sender);  // read RX adjust
    void Button8Click(tk::Control& Sender);  // set RX adjust
    void Button9Click(tk::Control& Sender);  // read 5165
    void Button10Click(tk::Control& Sender); // set 5165
    void Button12Click(tk::Control& Sender); // read power table
    void Edit38Change(tk::Control& Sender);
    void Edit39Change(tk::Control& Sender);
    void Edit40Change(tk::Control& Sender); // every S-table box
    void Edit60Change(tk::Control& Sender); // every power-table box

    // ---- replies, from the main window's dispatcher ----
    void ShowRxAdjust(std::uint8_t value);
    void Show5165(std::uint8_t value);
    // Byte i goes to box FirstSTableBox + i; bytes beyond the table are ignored.
    void ShowSTables(std::span<const std::uint8_t> table);
    // Byte i goes to box FirstPowerTableBox + i.
    void ShowPowerTable(std::span<const std::uint8_t> table);

    // Row labels of the power table, row 1..8.
    static const char* VhfRowLabel(int row);
    static const char* UhfRowLabel(int row);

private:
    void BuildValueGroups();
    void BuildBackupGroup();
    void BuildSTables();
    void BuildPowerTable();

    // Clears the main window's result pane and checks its port; false when
    // the operation must stop.
    bool BeginOperation();
    void Send(std::span<const std::uint8_t> frame);

    void ReadSingle(tk::Edit& box, std::span<const std::uint8_t> request);
    template <std::size_t N>
    void SetSingle(tk::Edit& box, std::array<std::uint8_t, N> request);
    void ReadTable(tk::GroupBox& group, std::span<const std::uint8_t> request);
    // Fills data bytes from the group's boxes; false when a box is empty or
    // does not hold a number.
    bool CollectTable(const tk::GroupBox& group, int firstBox, std::span<std::uint8_t> data) const;
    void FillTable(tk::GroupBox& group, int firstBox, std::span<const std::uint8_t> table);

    void CheckSingleValue(tk::Edit& box);
    void CheckTableValue(tk::Edit& box);
    void Refuse(tk::Edit& box, const std::string& message);
    std::string& Remembered(const tk::Edit& box);

    // The last accepted text of box N at N - 38.
    std::array<std::string, 62> lastAccepted_;
    std::string unnumbered_; // for a box without a number (never used by the window itself)
};

} // namespace varnel
