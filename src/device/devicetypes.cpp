#include "devicetypes.h"

#include "langsupp.h"

#include <QRegularExpression>
#include <charconv>

ValueLookup::~ValueLookup() = default;

Generation generationFromVersion(const QString &l34Text)
{
    const std::optional<long double> v = decimalValue(l34Text.trimmed());
    return v && *v >= 2.0L ? Generation::V2x : Generation::V1x;
}

bool MessageArg::operator==(const MessageArg &o) const
{
    return kind == o.kind && text == o.text && integer == o.integer && decimal == o.decimal;
}

bool DeviceMessage::operator==(const DeviceMessage &o) const
{
    return textId == o.textId && textArgs == o.textArgs && captionId == o.captionId &&
           captionArgs == o.captionArgs;
}

static QList<LangArg> langArgs(const QList<MessageArg> &args)
{
    QList<LangArg> out;
    for (const MessageArg &a : args) {
        switch (a.kind) {
        case MessageArg::Text: out.append(LangArg(a.text)); break;
        case MessageArg::Integer: out.append(LangArg(qlonglong(a.integer))); break;
        case MessageArg::Decimal: out.append(LangArg(a.decimal)); break;
        case MessageArg::StringId: out.append(LangArg(langText(uint16_t(a.integer)))); break;
        }
    }
    return out;
}

int showDeviceMessage(const DeviceMessage &message)
{
    const QList<LangArg> textArgs = langArgs(message.textArgs);
    const QList<LangArg> captionArgs = langArgs(message.captionArgs);
    MessageRequest request;
    request.text = langFormat(langText(message.textId), textArgs);
    request.caption = captionArgs.isEmpty() ? langText(message.captionId)
                                            : langFormat(langText(message.captionId), captionArgs);
    request.flags = MbOk;
    request.textId = message.textId;
    // A formatted caption is no longer the plain text of its ID.
    request.captionId = captionArgs.isEmpty() ? message.captionId : 0;
    for (const LangArg &a : textArgs)
        request.args.append(a.display());
    for (const LangArg &a : captionArgs)
        request.args.append(a.display());
    return showMessage(request);
}

std::optional<long double> decimalValue(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    // from_chars, not strtold: the C library follows LC_NUMERIC, which the
    // Qt application sets from the user's locale (a German one expects ",").
    // It takes no "+", and rounds correctly however many digits there are.
    const QByteArray digits = text.toLatin1();
    const char *first = digits.constData() + (digits.startsWith('+') ? 1 : 0);
    const char *last = digits.constData() + digits.size();
    long double v = 0.0L;
    const auto r = std::from_chars(first, last, v, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != last)
        return std::nullopt;
    return v;
}
