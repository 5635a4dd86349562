' Late-bound VBScript client of SendMail with TLS: one authenticated message
' with one attachment to a loopback SMTP server.
' Arguments: host, port, attachment (Windows path), the outcome expected:
' "sent", or the description of the automation error expected.
' Prints one FAIL line per failed check and OK at the end.
Option Explicit

Dim o, res, expected
expected = WScript.Arguments(3)
Set o = CreateObject("Lumetra.LumetraCOM")
On Error Resume Next
res = o.SendMail("ana@example.com", "", "", "Informe cifrado", "<p>Hola</p>", WScript.Arguments(2), _
                 "envios@example.com", "secreto", WScript.Arguments(0), CLng(WScript.Arguments(1)), True)
If Err.Number = 0 Then
  WScript.Echo "result: " & res
  If expected <> "sent" Or res <> "Correo enviado correctamente." Then WScript.Echo "FAIL: expected " & expected
Else
  WScript.Echo "error: " & Err.Description
  If Err.Description <> expected Then WScript.Echo "FAIL: expected " & expected
End If
On Error GoTo 0
WScript.Echo "OK"
