#include "ProgramVariant.h"

namespace ProgramVariant {

QStringList captions()
{
    return {
        QStringLiteral("VEL4SHOP ACCESS"),
        QStringLiteral("VEL4GASTRO ACCESS"),
        QStringLiteral("VEL4SHOP SQL-Server"),
        QStringLiteral("VEL4GASTRO SQL-Server"),
        QStringLiteral("TIDY-POS"),
        QStringLiteral("TIDY-GASTRO"),
    };
}

bool isSqlServer(int index)
{
    return index == 2 || index == 3;
}

bool isGastro(int index)
{
    return index == 1 || index == 3 || index == 5;
}

QString databaseName(int index)
{
    switch (index) {
    case 0:
    case 1:
        return QStringLiteral("VelmarFaktura.mdb");
    case 2:
    case 3:
        return QStringLiteral("VelmarFaktura");
    case 4:
        return QStringLiteral("Vel4TidyShop.mdb");
    case 5:
        return QStringLiteral("Vel4TidyGastro.mdb");
    default:
        return {};
    }
}

std::optional<QString> defaultFolder(int index)
{
    if (index >= 0 && index <= 3)
        return QStringLiteral("C:\\VelmarFaktura");
    if (index == 4)
        return QStringLiteral("C:\\Tidy-Pos");
    if (index == 5)
        return QStringLiteral("C:\\TidyGastro");
    return std::nullopt;
}

} // namespace ProgramVariant
