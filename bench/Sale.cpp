#include "Sale.h"

QList<JetValue> Sale::row(bool gastro) const
{
    QList<JetValue> values;
    fillRow(values, gastro);
    return values;
}

void Sale::fillRow(QList<JetValue> &row, bool gastro) const
{
    row.clear();
    row << id << receipt << company << cashRegister;
    if (gastro)
        row << table;
    row << settled << status << paymentType << article << name << quantity << price << amount << vat << cancelled
        << period << certificate << authorities << signature << remark;
}
