#pragma once

#include <QtGlobal>

#include <initializer_list>

// The options of an export run.
enum TExportOption {
    soFieldMask,             // texts by the fields' display formats
    soShowMessage,           // message boxes
    soBlankRowAfterCaptions, // an empty row after the title row
    soMergeData,             // append to an existing file
    soWaitCursor,            // hourglass cursor during the run
    soDisableControls,       // detach the dataset's controls during the run
    soUseFieldNameAsCaption, // field names as column titles
    soColLines,
    soRowLines,
    soColorsFonts,
    soExportBlankValues,
    soExportBands,           // a band row over the title row
};

// A set of TExportOption, stored as bits in option order (the default set
// is 434).
class TExportOptions
{
public:
    constexpr TExportOptions() = default;
    constexpr TExportOptions(std::initializer_list<TExportOption> options)
    {
        for (TExportOption option : options)
            m_bits |= bit(option);
    }
    static constexpr TExportOptions fromInt(quint32 bits)
    {
        TExportOptions options;
        options.m_bits = bits;
        return options;
    }
    static constexpr TExportOptions defaults()
    {
        return {soShowMessage, soWaitCursor, soDisableControls, soColLines, soRowLines};
    }

    constexpr bool contains(TExportOption option) const { return (m_bits & bit(option)) != 0; }
    constexpr void include(TExportOption option) { m_bits |= bit(option); }
    constexpr void exclude(TExportOption option) { m_bits &= ~bit(option); }
    constexpr quint32 toInt() const { return m_bits; }
    constexpr bool operator==(const TExportOptions &) const = default;

private:
    static constexpr quint32 bit(TExportOption option) { return quint32(1) << int(option); }
    quint32 m_bits = 0;
};
