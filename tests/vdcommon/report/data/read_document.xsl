<?xml version="1.0" encoding="UTF-8"?>
<!-- Reads a local file through document(), named by the "source" attribute. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="imported_cells.xsl"/>
  <xsl:template match="/">
    <report>
      <xsl:call-template name="imported-cell"/>
      <cell id="read"><xsl:value-of select="document(/*/@source)/*/@value"/></cell>
    </report>
  </xsl:template>
</xsl:stylesheet>
