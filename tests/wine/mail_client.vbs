' Late-bound VBScript client of SendMail: one message with Cc, Bcc and two
' attachments (a missing path between them is skipped) to the loopback SMTP
' server. Arguments: port, attachment 1, attachment 2 (Windows paths).
' The file is plain ASCII (cscript reads it in the ANSI code page): other
' characters are written with Chr (Windows-1252).
' Prints one FAIL line per failed check and OK at the end.
Option Explicit

Dim o, res, attachments, subject, body, failures
failures = 0
Set o = CreateObject("Lumetra.LumetraCOM")
subject = "A" & Chr(241) & "o nuevo"
body = "<p>Hola</p>" & vbCrLf & ".l" & Chr(237) & "nea con punto"
attachments = WScript.Arguments(1) & "|C:\no\such\file.txt|" & WScript.Arguments(2)
res = o.SendMail("ana@example.com; Beto <beto@example.com>", "carla@example.com", "dario@example.com", _
                 subject, body, attachments, _
                 "envios@example.com", "", "127.0.0.1", CLng(WScript.Arguments(0)), False)
If res <> "Correo enviado correctamente." Then
  failures = failures + 1
  WScript.Echo "FAIL: SendMail gave [" & res & "]"
End If

' A server that does not answer is an automation error with the result text as description.
On Error Resume Next
res = o.SendMail("ana@example.com", "", "", "x", "x", "", "", "", "127.0.0.1", 1, False)
If Err.Number = 0 Then
  failures = failures + 1
  WScript.Echo "FAIL: no error for a closed port"
ElseIf Err.Source <> "Lumetra.LumetraCOM" Then
  failures = failures + 1
  WScript.Echo "FAIL: error source [" & Err.Source & "]"
Else
  WScript.Echo "closed port: " & Err.Description
End If
On Error GoTo 0

If failures = 0 Then WScript.Echo "OK"
