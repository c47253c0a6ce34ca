#pragma once

#include "data/Result.h"

#include <QByteArray>
#include <QString>

// The settings: one record of 24 fixed-width fields, 229 bytes on disk. Each member holds
// exactly its width in characters; an all-zero record (every flag off) is the default.
struct OptionsRecord
{
    static constexpr int Size = 229;

    QString AdminPassword = zeros(10);
    QString OvertimeThreshold = zeros(5);
    QString AskOnStart = zeros(1);
    QString Company = zeros(20);
    QString AskForPin = zeros(1);
    QString SecurityEnabled = zeros(1);
    QString AskOnExit = zeros(1);
    QString DailyOvertime = zeros(1);
    QString TimeRounding = zeros(1);
    QString Reserved1 = zeros(10);
    QString TimeFormat = zeros(14);
    QString PunchGapMinutes = zeros(6); // a reserved field once: all zero reads as the default
    QString Reserved3 = zeros(10);
    QString Reserved4 = zeros(10);
    QString Reserved5 = zeros(10);
    QString Reserved6 = zeros(1);
    QString Reserved7 = zeros(1);
    QString Reserved8 = zeros(1);
    QString Reserved9 = zeros(1);
    QString Reserved10 = zeros(1);
    QString Reserved11 = zeros(1);
    QString Reserved12 = zeros(1);
    QString Reserved13 = zeros(1);
    QString Address = zeros(120);

    // Pads value with spaces or cuts it to width, as every assignment to a field does.
    static QString fit(const QString& value, int width);
    static QString zeros(int width) { return QString(width, QChar(0)); }

    // Assigns each used field with padding or cutting to its width.
    void setAdminPassword(const QString& v) { AdminPassword = fit(v, 10); }
    void setOvertimeThreshold(const QString& v) { OvertimeThreshold = fit(v, 5); }
    void setAskOnStart(bool on) { AskOnStart = flagText(on); }
    void setCompany(const QString& v) { Company = fit(v, 20); }
    void setAskForPin(bool on) { AskForPin = flagText(on); }
    void setSecurityEnabled(bool on) { SecurityEnabled = flagText(on); }
    void setAskOnExit(bool on) { AskOnExit = flagText(on); }
    void setDailyOvertime(bool on) { DailyOvertime = flagText(on); }
    void setTimeRounding(int rounding) { TimeRounding = fit(QString::number(rounding), 1); }
    void setTimeFormat(const QString& v) { TimeFormat = fit(v, 14); }
    void setAddress(const QString& v) { Address = fit(v, 120); }
    void setPunchGapMinutes(int minutes) { PunchGapMinutes = fit(QString::number(minutes), 6); }

    // Readers: flags are on only when "1"; texts are trimmed of spaces.
    static bool isOn(const QString& flag) { return flag == QLatin1String("1"); }
    static QString trimmed(const QString& field);
    // The leading decimal number of OvertimeThreshold; empty or non-numeric reads as 0.
    double overtimeThresholdHours() const;
    int timeRoundingValue() const;
    QString timeFormat() const { return trimmed(TimeFormat); }
    // The minimum time between two punches of one employee by badge, in minutes: 1 unless a
    // number from 0 (none) to a day is stored.
    static constexpr int DefaultPunchGapMinutes = 1;
    int punchGapMinutes() const;

    QByteArray toBytes() const;
    static OptionsRecord fromBytes(const QByteArray& bytes); // bytes must hold Size bytes

    // The record of a first run, with the password already scrambled.
    static OptionsRecord firstRunDefaults(const QString& password);

    bool operator==(const OptionsRecord&) const = default;

private:
    static QString flagText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
};

// The leading decimal number of a text field, trimmed of spaces; empty or non-numeric reads as 0.
double LeadingDecimalNumber(const QString& field);

// The one program-wide settings record, loaded at start-up.
OptionsRecord& GlobalOptions();

QString OptionsFilePath();
bool OptionsFileExists();
// Fails, naming the file, when it cannot be read or is not exactly 229 bytes long.
Result<OptionsRecord> ReadOptionsFile();
// Old shape, kept for callers outside the core.
IoResult ReadOptionsFile(OptionsRecord* record);
Result<> WriteOptionsFile(const OptionsRecord& record);
// True when typed is the stored password; never while none is stored. A stored password that
// cannot be unscrambled gives false with why as the warning.
Result<bool> CheckAdminPassword(const OptionsRecord& record, const QString& typed);
// "0" to "z", all that a password box lets through, always scramble; any other text gives "".
QString ScramblePassword(const QString& password);
// Fails for a stored password that a hand edit put out of range.
Result<QString> UnscramblePassword(const OptionsRecord& record);
