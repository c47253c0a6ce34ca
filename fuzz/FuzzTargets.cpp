#include "FuzzTargets.h"

#include "data/EmployeeList.h"
#include "data/Messages.h"
#include "data/OptionsRecord.h"

#include <cstdlib>
#include <map>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace

int FuzzEmployeeList(const uint8_t* data, size_t size)
{
    const EmployeeList list = ParseEmployeeList(bytesOf(data, size));
    for (const EmployeeRecord& r : list.records) {
        // What was read writes back as one line that reads as the same record, as long as no
        // field holds a quote or a line end (which the program never writes).
        const QByteArray line = SerializeEmployeeRecord(r);
        if (line.count('"') == 14 && line.count('\n') == 1 && line.count('\r') == 1) {
            const EmployeeList again = ParseEmployeeList(line);
            require(again.records.size() == 1 && again.records.first() == r);
        }
        UnscramblePin(r.Pin);
    }
    return 0;
}

int FuzzSettings(const uint8_t* data, size_t size)
{
    QByteArray bytes = bytesOf(data, size);
    bytes = bytes.leftJustified(OptionsRecord::Size, '\0', true);
    const OptionsRecord r = OptionsRecord::fromBytes(bytes);
    require(r.toBytes() == bytes);
    r.overtimeThresholdHours();
    r.timeRoundingValue();
    CheckAdminPassword(r, QStringLiteral("abcdef"));
    return 0;
}

FuzzTarget FindFuzzTarget(const QString& name)
{
    static const std::map<QString, FuzzTarget> targets = {
        {QStringLiteral("employeelist"), FuzzEmployeeList},
        {QStringLiteral("settings"), FuzzSettings},
    };
    const auto it = targets.find(name);
    return it == targets.end() ? nullptr : it->second;
}

QStringList FuzzTargetNames()
{
    return {QStringLiteral("employeelist"), QStringLiteral("settings")};
}
