#pragma once

#include "JetValue.h"

#include <QList>

// One position of a register's cash-sale tables: a value for each column
// of Barverkaeufe, and the table number that only BarverkaeufeGastro has.
// The defaults are one Melange at 3,45, paid in cash on register 1 of
// company 1, with a made-up signed receipt; a test changes what it is
// about. The register database's generator and the tests write their rows
// through it, so the column order of a row is kept here alone.
struct Sale
{
    int id = 1;                                   // ID_Barverkaufspositionen
    int receipt = 1;                              // Barverkauf_nr
    int company = 1;                              // Firma
    int cashRegister = 1;                         // Kassa
    JetValue table = "T1";                        // Tisch (gastro edition)
    JetValue settled;                             // Tagesabrechnung
    int status = 1;                               // Status
    int paymentType = 0;                          // Zahlungsart
    JetValue article = "4711";                    // Artikelnummer
    JetValue name = "Melange";                    // Bezeichnung
    JetValue quantity = 1.0;                      // Menge
    JetValue price = JetValue::currency(34500);   // Einzelpreis
    JetValue amount = JetValue::currency(34500);  // Betrag
    JetValue vat = 20.0;                          // MwStSatz
    bool cancelled = false;                       // Storno
    int period = 1;                               // Periode_bv
    JetValue certificate = "CERT-1";              // Signaturzertifikat
    JetValue authorities = "A-Trust";             // Zertifizierungsstellen
    JetValue signature = "eyJhbGciOiJFUzI1NiJ9.x.y"; // JWSSignatur
    JetValue remark;                              // Bemerkung

    // The row in the column order of Barverkaeufe or, with `gastro`, of
    // BarverkaeufeGastro. fillRow() reuses the list's storage.
    QList<JetValue> row(bool gastro) const;
    void fillRow(QList<JetValue> &row, bool gastro) const;
};
