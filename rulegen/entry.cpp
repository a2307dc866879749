// The library's four entry points and the classes it serves by class identifier.
#include "rulegen/engine/band.h"
#include "rulegen/engine/codeclass.h"
#include "rulegen/engine/lists.h"
#include "rulegen/engine/nodes.h"
#include "shared/com/server.h"

namespace {

const com::ClassEntry kClasses[] = {
    {tessaly::CLSID_CodeClass, "Tessaly.CodeClass", &com::createFor<tessaly::CodeClassImpl>},
    {tessaly::CLSID_Band, "Tessaly.Band", &com::createFor<tessaly::BandImpl>},
    {tessaly::CLSID_cNodes, "Tessaly.cNodes", &com::createFor<tessaly::NodesImpl>},
    {tessaly::CLSID_cNode, "Tessaly.cNode", &com::createFor<tessaly::NodeImpl>},
    {tessaly::CLSID_List, "Tessaly.List", &com::createFor<tessaly::ListImpl>},
    {tessaly::CLSID_Names, "Tessaly.Names", &com::createFor<tessaly::NamesImpl>},
};

} // namespace

COM_SERVER_ENTRY_POINTS(kClasses)
