// The display rules over any device texts: every page of both generations
// shown from texts taken from the fuzz input. A text that is no number may
// end the display with the conversion error the window reports; nothing
// else may go wrong, and the operations name only fields of the window.
#include "addresstable.h"
#include "displayrules.h"
#include "fuzzcheck.h"
#include "helpers.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    // Input: value texts separated by NUL, given to the table's keys in turn.
    const QList<QByteArray> texts =
        QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\0');
    MapLookup values;
    int next = 0;
    for (const AddressRow &row : addressTable())
        for (const QString &key : row.keys)
            values.set(key, QString::fromUtf8(texts.value(next++ % texts.size())));
    values.set(QStringLiteral("TempLowRef"), QString::fromUtf8(texts.value(next++ % texts.size())));
    values.set(QStringLiteral("TempHighRef"),
               QString::fromUtf8(texts.value(next++ % texts.size())));

    for (Generation gen : {Generation::V1x, Generation::V2x}) {
        for (const PageInfo &page : pages()) {
            const QString list = pageAddressList(page.index, gen);
            for (const TempPoint side : {TempPoint::Lower, TempPoint::Upper}) {
                DisplayResult r;
                try {
                    r = displayOperations(list, values, gen, side);
                } catch (const ConversionError &) {
                    continue;
                }
                for (const DisplayOp &op : r.ops) {
                    if (!op.field.isEmpty())
                        FUZZ_CHECK(fieldInfo(op.field) != nullptr);
                    if (op.kind == DisplayOpKind::SetSpinValue) {
                        const FieldInfo *f = fieldInfo(op.field);
                        FUZZ_CHECK(op.value >= f->minimum && op.value <= f->maximum);
                    }
                    if (op.kind == DisplayOpKind::SelectIndex) {
                        const FieldInfo *f = fieldInfo(op.field);
                        FUZZ_CHECK(op.value >= -1 && op.value < f->items.size());
                    }
                }
            }
        }
    }
    const QString l4 = QString::fromUtf8(texts.value(0));
    for (uint16_t id : statusBitStringIds(l4))
        FUZZ_CHECK(id >= 200 && id <= 232);
    return 0;
}
