<?xml version="1.0" encoding="UTF-8"?>
<!-- Tries to write a file named by the source document's "target" attribute. -->
<xsl:stylesheet version="1.1" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/">
    <report>
      <xsl:document href="{/*/@target}" method="xml">
        <leaked/>
      </xsl:document>
    </report>
  </xsl:template>
</xsl:stylesheet>
