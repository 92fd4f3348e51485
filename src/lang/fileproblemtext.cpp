#include "fileproblemtext.h"

#include "langsupp.h"
#include "profile.h"

QString fileProblemText(const FileProblem &problem)
{
    switch (problem.kind) {
    case FileProblem::None: return QString();
    case FileProblem::System: return problem.detail;
    case FileProblem::SymLink: return langText(552);
    case FileProblem::NotRegular: return langText(553);
    case FileProblem::TooLarge: return langFormatId(554, {int(MaxProfileBytes / 1024)});
    case FileProblem::Locked: return langText(555);
    case FileProblem::ReadOnly: return langText(556);
    case FileProblem::GroupLost: return langFormatId(557, {problem.detail});
    case FileProblem::BadValue: return langText(558);
    case FileProblem::Unencodable: return langText(559);
    }
    return problem.describe();
}
