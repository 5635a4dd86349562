' Second client: reads the document of the first client by its handle, which
' it received as text.  Argument: the handle.
Dim o, text
Set o = CreateObject("Lumetra.LumetraCOM")
text = o.JSONFormat(WScript.Arguments(0))
If text <> "{""compartido"":[1,2,3]}" Then
  WScript.Echo "FAIL: the handle of the other client gives [" & text & "]"
Else
  WScript.Echo "OK reader"
End If
Set o = Nothing
