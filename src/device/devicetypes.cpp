#include "devicetypes.h"

#include "langsupp.h"

#include <QRegularExpression>

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
    // Read by hand: the C library's strtold follows LC_NUMERIC, which the Qt
    // application sets from the user's locale (a German one expects ",").
    // All digits form one integer, divided once by the power of ten, so a
    // text with up to 19 digits is read with a single rounding.
    long double mantissa = 0.0L;
    long double scale = 1.0L;
    bool afterPoint = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('.')) {
            afterPoint = true;
        } else if (c.isDigit()) {
            mantissa = mantissa * 10.0L + (c.unicode() - '0');
            if (afterPoint)
                scale *= 10.0L;
        }
    }
    const long double v = mantissa / scale;
    return text.startsWith(QLatin1Char('-')) ? -v : v;
}
