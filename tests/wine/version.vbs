' Creates an object of the registered server and reads its version.
Dim o
Set o = CreateObject("Lumetra.LumetraCOM")
If o.Version() = "1.0.002" Then WScript.Echo "OK version" Else WScript.Echo "FAIL: version " & o.Version()
Set o = Nothing
