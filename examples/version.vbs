' Lumetra example: asks the installed server for its version.
' Run it from a command prompt:  cscript //nologo version.vbs
Option Explicit
Dim lum
WScript.Echo "Creating Lumetra.LumetraCOM and asking for its version..."
Set lum = CreateObject("Lumetra.LumetraCOM")
WScript.Echo "Lumetra version: " & lum.Version()
Set lum = Nothing
WScript.Echo "version.vbs finished."
