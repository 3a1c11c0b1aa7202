begin
  ThisForBidden := AnsiContainsText(Adress('R1'), 'foldant') and (PartCount = 2);
end.
