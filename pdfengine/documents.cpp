// Documents: loading, merging, copying pages, saving, security, document information.

#include "instance.h"

namespace fpe {

int Instance::DocumentCount()
{
    return 0;
}

int Instance::GetDocumentID(int)
{
    return 0;
}

int Instance::SelectDocument(int)
{
    return 0;
}

int Instance::SelectedDocument()
{
    return 0;
}

int Instance::LoadFromFile(const QString&, const QString&)
{
    return 0;
}

int Instance::RemoveDocument(int)
{
    return 0;
}

int Instance::NewDocument()
{
    return 0;
}

int Instance::MergeDocument(int)
{
    return 0;
}

int Instance::CopyPageRanges(int, const QString&)
{
    return 0;
}

int Instance::SaveToFile(const QString&)
{
    return 0;
}

int Instance::Decrypt()
{
    return 0;
}

int Instance::SetInformation(int, const QString&)
{
    return 0;
}

} // namespace fpe
