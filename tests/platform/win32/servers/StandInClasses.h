#pragma once

// The classes of the stand-in servers: Access under Access's own class identifier, so that the program
// reaches it unchanged; ADO under one of ours, which "ADODB.Connection" is pointed at for a test.
namespace calvenor::stand_in {

inline constexpr wchar_t kAccessClass[] = L"{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}";
inline constexpr wchar_t kAdoClass[] = L"{5C1B7E0A-3D2F-4A91-9C6E-0F4B8A27D3E5}";
inline constexpr wchar_t kAdoProgId[] = L"ADODB.Connection";
// What "ADODB.Connection" names when no test has taken it over: ADO's own connection class.
inline constexpr wchar_t kSystemAdoClass[] = L"{00000514-0000-0010-8000-00AA006D2EA4}";

// Their files, in one folder: Access out of process, ADO in process, as the real ones.
inline constexpr wchar_t kAccessServerProgram[] = L"stand_in_access.exe";
inline constexpr wchar_t kAdoServerModule[] = L"stand_in_ado.dll";

}  // namespace calvenor::stand_in
