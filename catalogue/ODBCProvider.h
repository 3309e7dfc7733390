// ODBCProvider — the start-up check that the database engine ADO needs is installed.
#pragma once

namespace platform {
class Shell;
class Ui;
namespace ado {
class Ado;
}
}  // namespace platform

namespace calvenor {

// Whether an "ADODB.Connection" can be created. When the data provider is missing, explains why and
// offers to open the download pages of the Access Database Engine; when the creation fails otherwise,
// says so with the error's description. False in every failing case; never fails itself.
bool CheckDataProvider(platform::ado::Ado& ado, platform::Ui& ui, platform::Shell& shell);

}  // namespace calvenor
